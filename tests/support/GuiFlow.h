#pragma once

// Header only: the test-support library is built without Qt, and only the GUI tests include this.
#include "support/GuiHarness.h"
#include "support/MySqlSandbox.h"
#include "support/OracleSim.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// The window driven as a user drives it, against the sandbox MariaDB and a fresh Oracle stand-in.
class GuiFlowTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        MORVANE_REQUIRE_SANDBOX();
    }
    // The window goes first: it holds sessions on the scratch database and the stand-in service. So do
    // connects it left behind, which end on their own threads; no test starts while one lingers.
    void TearDown() override
    {
        window.reset();
        EXPECT_TRUE(workerthreads::waitForAll(std::chrono::seconds(120))) << "a worker thread outlived its test";
    }

    // A scratch MySQL database with these statements run in it.
    void createSource(const std::vector<std::string> &setup)
    {
        mysql = std::make_unique<ScratchDatabase>(setup);
    }
    OracleSim &createTarget()
    {
        oracle = std::make_unique<OracleSim>();
        return *oracle;
    }

    void typeSourceEntries(const std::string &database)
    {
        edit("edtdatabase").setText(QString::fromStdString(database));
        edit("edtname").setText(QString::fromLatin1(kSandboxUser));
        edit("edtpassword").setText(QString::fromLatin1(kSandboxPassword));
    }
    void typeTargetEntries()
    {
        edit("edtservice").setText(QString::fromStdString(oracle->service()));
        edit("edtoracleusername").setText(QString::fromStdString(oracle->user()));
        edit("edtoraclepassword").setText(QStringLiteral("tiger"));
    }

    // Page 1 to page 4, through both connection pages; the scratch database is chosen by its typed name.
    void reachPage4()
    {
        if (!window)
            makeWindow();
        if (!oracle)
            createTarget();
        clickAndWait("btnext"); // welcome
        typeSourceEntries(mysql->name());
        clickAndWait("btnext"); // step2Click
        ASSERT_EQ(window->currentPage(), 3) << lastMessage();
        typeTargetEntries();
        clickAndWait("btnext"); // step3Click
        ASSERT_EQ(window->currentPage(), 4) << lastMessage();
    }

    // On to page 5, then these tables moved into the selected list in this order.
    void reachPage5(const QStringList &chosen = {})
    {
        reachPage4();
        if (testing::Test::HasFatalFailure())
            return;
        clickAndWait("btnext"); // step4Click
        ASSERT_EQ(window->currentPage(), 5) << lastMessage();
        for (const QString &table : chosen) {
            const auto found = list("mysqltablelist").findItems(table, Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << table.toStdString();
            list("mysqltablelist").setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
            button("Button1").click();
        }
    }

    QStringList logLines() const { return window->progressLog().lines(); }

    // Runs `action` once, as soon as `ready` holds while the window handles its events (its work goes on
    // on other threads meanwhile).
    void when(std::function<bool()> ready, std::function<void()> action)
    {
        auto *timer = new QTimer(window.get());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, [timer, ready = std::move(ready), action = std::move(action)] {
            if (!ready())
                return;
            timer->stop();
            timer->deleteLater();
            action();
        });
        timer->start();
    }

    std::string lastMessage() const
    {
        return prompts.asked.empty() ? std::string("(nothing shown)") : prompts.asked.back().text.toStdString();
    }

    std::unique_ptr<ScratchDatabase> mysql;
    std::unique_ptr<OracleSim> oracle;
};

// 250 rows: the row copy passes progress points after rows 1, 101 and 201.
inline std::vector<std::string> ordersTable(const std::string &name = "orders", int rows = 250)
{
    return {"create table " + name + " (id int primary key, note varchar(40), amount decimal(10,2)) engine=InnoDB",
            "insert into " + name +
                " with recursive s(n) as (select 1 union all select n + 1 from s where n < " + std::to_string(rows) +
                ") select n, concat('note ', n), n * 1.25 from s"};
}

} // namespace testsupport
