// The available and selected table lists of page 5: the four move buttons, which item each leaves
// highlighted, and Next enabled exactly while something is selected.
#include "support/GuiFlow.h"

#include "app/TableListMoves.h"

using testsupport::GuiFlowTest;
using testsupport::GuiTest;

class TableListsTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        makeWindow();
    }
    QListWidget &available() const { return list("mysqltablelist"); }
    QListWidget &selected() const { return list("mysqltableselect"); }
    void fillAvailable(const QStringList &names) { available().addItems(names); }
    static int highlighted(const QListWidget &l) { return tablelists::highlighted(l); }
    void highlight(QListWidget &l, int row) { tablelists::highlight(l, row); }
};

TEST_F(TableListsTest, AddWithNothingHighlightedMovesNothing)
{
    fillAvailable({"a", "b"});
    // Made current by the focus, but not highlighted: still nothing to move.
    available().setCurrentRow(0, QItemSelectionModel::NoUpdate);
    button("Button1").click();
    EXPECT_EQ(items(available()), (QStringList{"a", "b"}));
    EXPECT_EQ(selected().count(), 0);
    button("Button3").click();
    EXPECT_EQ(items(available()), (QStringList{"a", "b"}));
}

TEST_F(TableListsTest, AddMovesTheHighlightedItemAndKeepsTheNextOneHighlighted)
{
    fillAvailable({"a", "b", "c"});
    highlight(available(), 0);
    button("Button1").click();
    EXPECT_EQ(items(available()), (QStringList{"b", "c"}));
    EXPECT_EQ(items(selected()), QStringList{"a"});
    // The item that moved up into the gap, and the moved item at the end of the other list.
    EXPECT_EQ(highlighted(available()), 0);
    EXPECT_EQ(highlighted(selected()), 0);
    button("Button1").click();
    button("Button1").click();
    EXPECT_EQ(items(selected()), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(available().count(), 0);
    EXPECT_EQ(highlighted(available()), -1);
    EXPECT_EQ(highlighted(selected()), 2);
}

TEST_F(TableListsTest, AddingTheLastOfThreeHighlightsTheNewLastItem)
{
    fillAvailable({"a", "b", "c"});
    highlight(available(), 2);
    button("Button1").click();
    EXPECT_EQ(items(available()), (QStringList{"a", "b"}));
    EXPECT_EQ(highlighted(available()), 1);
    EXPECT_EQ(available().selectedItems().size(), 1);
}

TEST_F(TableListsTest, RemoveAppendsAtTheEndSoTheOrderIsTheOrderOfAdding)
{
    fillAvailable({"a", "b", "c"});
    button("Button2").click();
    EXPECT_EQ(items(selected()), (QStringList{"a", "b", "c"}));
    highlight(selected(), 0);
    button("Button3").click(); // a back to the available list
    EXPECT_EQ(items(available()), QStringList{"a"});
    EXPECT_EQ(highlighted(available()), 0);
    EXPECT_EQ(highlighted(selected()), 0); // b moved up into the gap
    button("Button1").click(); // and added again: now converted last
    EXPECT_EQ(items(selected()), (QStringList{"b", "c", "a"}));
}

TEST_F(TableListsTest, MoveAllAppendsInOrderAndSetsNoHighlight)
{
    fillAvailable({"x", "y"});
    selected().addItems({"s"});
    button("Button2").click();
    EXPECT_EQ(items(selected()), (QStringList{"s", "x", "y"}));
    EXPECT_EQ(available().count(), 0);
    EXPECT_EQ(highlighted(available()), -1);
    EXPECT_EQ(highlighted(selected()), -1);

    button("Button2").click(); // nothing left to add: nothing changes
    EXPECT_EQ(items(selected()), (QStringList{"s", "x", "y"}));

    available().addItems({"z"});
    button("Button4").click();
    EXPECT_EQ(items(available()), (QStringList{"z", "s", "x", "y"}));
    EXPECT_EQ(selected().count(), 0);
}

TEST_F(TableListsTest, ListsDoNotCheckForDuplicates)
{
    fillAvailable({"t"});
    selected().addItems({"t"});
    highlight(available(), 0);
    button("Button1").click();
    EXPECT_EQ(items(selected()), (QStringList{"t", "t"}));
}

class TableListsOnPage5Test : public GuiFlowTest {};

TEST_F(TableListsOnPage5Test, NextIsEnabledExactlyWhileATableIsSelected)
{
    createSource({"create table a (id int)", "create table b (id int)", "create table c (id int)"});
    reachPage5();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_FALSE(button("btnext").isEnabled());
    // step4Click highlights the first table, so Add works at once.
    button("Button1").click();
    EXPECT_EQ(items(list("mysqltableselect")), QStringList{"a"});
    EXPECT_TRUE(button("btnext").isEnabled());
    button("Button3").click();
    EXPECT_FALSE(button("btnext").isEnabled());
    button("Button2").click();
    EXPECT_TRUE(button("btnext").isEnabled());
    button("Button4").click();
    EXPECT_FALSE(button("btnext").isEnabled());
    // With nothing selected, an Add all on an empty list keeps Next disabled too.
    button("Button2").click();
    button("Button4").click();
    button("Button4").click();
    EXPECT_FALSE(button("btnext").isEnabled());
}

TEST_F(TableListsOnPage5Test, ADatabaseWithoutTablesLeavesNothingToSelect)
{
    createSource({});
    reachPage5();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(list("mysqltablelist").count(), 0);
    button("Button1").click();
    button("Button2").click();
    EXPECT_EQ(list("mysqltableselect").count(), 0);
    EXPECT_FALSE(button("btnext").isEnabled());
}

TEST_F(TableListsOnPage5Test, ViewsAreMarkedAndKeepTheirMarkWhenMoved)
{
    createSource({"create table orders (id int)", "create view big_orders as select id from orders"});
    reachPage5();
    ASSERT_FALSE(HasFatalFailure());
    auto mark = [](const QListWidgetItem *item) { return std::make_pair(item->font().italic(), item->toolTip()); };
    const QString viewTip = QStringLiteral("A view: Oracle gets a table holding a snapshot of its rows");
    QListWidget &available = list("mysqltablelist");
    ASSERT_EQ(items(available), (QStringList{"big_orders", "orders"}));
    EXPECT_EQ(mark(available.item(0)), std::make_pair(true, viewTip));
    EXPECT_EQ(mark(available.item(1)), std::make_pair(false, QString()));
    button("Button2").click(); // Add all
    QListWidget &selected = list("mysqltableselect");
    EXPECT_EQ(mark(selected.item(0)), std::make_pair(true, viewTip));
    tablelists::highlight(selected, 0);
    button("Button3").click(); // back again, one by one
    EXPECT_EQ(mark(available.item(0)), std::make_pair(true, viewTip));
}
