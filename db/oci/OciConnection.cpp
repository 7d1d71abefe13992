#include "OciConnection.h"

#include "OciDataSet.h"
#include "OciSession.h"
#include "OciStatement.h"
#include "OciTargetTable.h"
#include "db/Drivers.h"
#include "db/Error.h"
#include "db/Trace.h"

#include <charconv>

namespace db {

namespace {

unsigned rowsetSizeOf(const ConnectionProfile &profile)
{
    const std::string text = profile.parameterOr("RowsetSize", "20");
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value == 0)
        return 20;
    return value;
}

// The call timeout lifted for as long as it lives.
class LiftedCallTimeout {
public:
    explicit LiftedCallTimeout(OciSession &session) : m_session(session) { m_session.liftCallTimeout(); }
    ~LiftedCallTimeout() { m_session.restoreCallTimeout(); }
    LiftedCallTimeout(const LiftedCallTimeout &) = delete;
    LiftedCallTimeout &operator=(const LiftedCallTimeout &) = delete;

private:
    OciSession &m_session;
};

} // namespace

std::unique_ptr<Connection> createOracleConnection() { return std::make_unique<OciConnection>(); }

OciConnection::OciConnection() = default;

OciConnection::~OciConnection() { close(); }

void OciConnection::open()
{
    close();
    const auto &p = profile();
    if (equalsIgnoreCase(p.parameterOr("OS Authentication", "False"), "True"))
        throw Error("Operating-system authentication (OS Authentication=True) is not supported; "
                    "log on with a user name and password");
    m_rowsetSize = rowsetSizeOf(p);
    m_trimChar = equalsIgnoreCase(p.parameterOr("Trim Char", "False"), "True");
    auto session = std::make_shared<OciSession>(p.parameterOr("Database", ""), p.parameterOr("User_Name", ""),
                                                p.parameterOr("Password", ""), callTimeout());
    // Numbers travel as text with a '.', dates and timestamps as ISO text whatever the territory of the
    // client, so these formats are pinned for the session. Timestamps are bound as text through this
    // format (FF reads up to nine digits) and read back through it.
    OciStatement(session, "ALTER SESSION SET NLS_NUMERIC_CHARACTERS='.,'").execute(1);
    OciStatement(session, "ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD HH24:MI:SS'").execute(1);
    OciStatement(session, "ALTER SESSION SET NLS_TIMESTAMP_FORMAT='YYYY-MM-DD HH24:MI:SS.FF'").execute(1);
    const std::string isolation = p.parameterOr("Oracle TransIsolation", "ReadCommited");
    if (equalsIgnoreCase(isolation, "Serializable") || equalsIgnoreCase(isolation, "RepeatableRead"))
        OciStatement(session, "ALTER SESSION SET ISOLATION_LEVEL=SERIALIZABLE").execute(1);
    {
        std::lock_guard lock(m_sessionMutex);
        m_session = std::move(session);
    }
    if (callsUntimed())
        m_session->liftCallTimeout();
    readServerInfo();
}

void OciConnection::readServerInfo()
{
    OracleServerInfo info;
    const std::string &banner = m_session->banner();
    info.banner = banner.substr(0, banner.find('\n'));
    parseOracleRelease(banner, info.major, info.minor);
    // The instance's parameters are readable with a dictionary privilege only; without one, what they
    // would say stays unknown.
    try {
        for (const auto &row :
             query("select name, value from v$parameter where name in ('compatible', 'max_string_size')")) {
            if (row.at(0).data == "compatible")
                info.compatible = row.at(1).data;
            else
                info.extendedStrings = row.at(1).data == "EXTENDED";
        }
    } catch (const ConnectionLostError &) {
        throw;
    } catch (const Error &) {
    }
    int compatibleMajor = 0, compatibleMinor = 0;
    const bool compatibleKnown = parseOracleRelease("Release " + info.compatible, compatibleMajor, compatibleMinor);
    if (const std::size_t told = m_session->maxIdentifierBytes(); told > 0)
        info.maxIdentifierBytes = told;
    else if (compatibleKnown && (compatibleMajor > 12 || (compatibleMajor == 12 && compatibleMinor >= 2)))
        info.maxIdentifierBytes = 128;
    m_server = std::move(info);
    if (Trace::enabled())
        Trace::write("oci", "server allows: " + m_server.summary());
}

const OracleServerInfo *oracleServerInfo(const Connection &connection)
{
    const auto *oracle = dynamic_cast<const OciConnection *>(&connection);
    return oracle && oracle->isOpen() ? &oracle->serverInfo() : nullptr;
}

void OciConnection::close()
{
    if (m_session) {
        m_session->end();
        std::lock_guard lock(m_sessionMutex);
        m_session.reset();
    }
}

void OciConnection::cancel() noexcept
{
    std::shared_ptr<OciSession> session;
    {
        std::lock_guard lock(m_sessionMutex);
        session = m_session;
    }
    // A logon cannot be broken in blocking mode; it ends at Oracle Net's own time limits.
    if (session)
        session->breakCall();
}

bool OciConnection::isOpen() const { return m_session && m_session->isOpen(); }

std::unique_ptr<Connection> OciConnection::another() const
{
    auto other = createOracleConnection();
    other->replaceProfile(profile().lines());
    if (callTimeoutChosen())
        other->setCallTimeout(callTimeout());
    return other;
}

bool OciConnection::ping()
{
    if (!isOpen())
        return false;
    try {
        m_session->ping();
    } catch (const std::exception &) {
        // Whatever the reason, a session that cannot answer a ping is not one to build on.
        return false;
    }
    return isOpen();
}

std::shared_ptr<OciSession> OciConnection::requireSession() const
{
    if (!isOpen())
        throw Error("Not connected to Oracle");
    return m_session;
}

std::unique_ptr<DataSet> OciConnection::createDataSet()
{
    return std::make_unique<OciDataSet>(requireSession(), m_rowsetSize, m_trimChar);
}

void OciConnection::execute(const std::string &sql)
{
    // Whatever it is, its time may grow with the table: an index built or a constraint validated over
    // every row is not cut short because the table is large.
    auto session = requireSession();
    const LiftedCallTimeout lifted(*session);
    OciStatement(session, sql).execute(1);
}

void OciConnection::untimedChanged()
{
    if (!m_session)
        return;
    if (callsUntimed())
        m_session->liftCallTimeout();
    else
        m_session->restoreCallTimeout();
}

void OciConnection::commit() { requireSession()->commit(); }

void OciConnection::rollback() { requireSession()->rollback(); }

std::vector<Row> OciConnection::query(const std::string &sql, const std::vector<Value> &binds)
{
    OciDataSet dataSet(requireSession(), m_rowsetSize, m_trimChar);
    dataSet.open(sql, binds);
    std::vector<Row> rows;
    for (; !dataSet.eof(); dataSet.next()) {
        Row row;
        row.reserve(static_cast<std::size_t>(dataSet.fieldCount()));
        for (int i = 0; i < dataSet.fieldCount(); ++i)
            row.push_back(dataSet.value(i));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::unique_ptr<TargetTable> OciConnection::createTargetTable(const std::string &name)
{
    auto table = std::make_unique<OciTargetTable>(requireSession());
    if (!name.empty())
        table->setName(name);
    return table;
}

} // namespace db
