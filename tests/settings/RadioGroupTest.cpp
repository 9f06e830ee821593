// TRadioGroup: which selections run the click handler, and how indices are brought into the list.
#include <QRadioButton>
#include <gtest/gtest.h>

#include "settings/RadioGroup.h"

namespace {

class RadioGroupTest : public ::testing::Test {
protected:
    RadioGroupTest()
        : Group(QStringLiteral("LPT port"), {QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3")})
    {
        QObject::connect(&Group, &TRadioGroup::Click, [this] { Clicks.push_back(Group.ItemIndex()); });
    }

    TRadioGroup Group;
    std::vector<int> Clicks;  // the index seen by each run of the handler
};

struct TSetIndexRow {
    const char* Name;
    int Before;  // selection made first, its click not counted
    int Set;
    int Expected;
    bool Runs;
};

TEST_F(RadioGroupTest, ProgramSelectionRunsTheHandlerOnlyWhenAnItemBecomesSelected)
{
    const TSetIndexRow rows[] = {
        {"none to first", -1, 0, 0, true},
        {"first to last", 0, 2, 2, true},
        {"same item", 1, 1, 1, false},
        {"cleared", 1, -1, -1, false},
        {"cleared twice", -1, -1, -1, false},
        {"past the end selects the last", -1, 6, 2, true},
        {"past the end when last is selected", 2, 6, 2, false},
        {"below -1 clears", 0, -5, -1, false},
    };
    for (const TSetIndexRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Group.SetItemIndex(row.Before);
        Clicks.clear();
        Group.SetItemIndex(row.Set);
        EXPECT_EQ(Group.ItemIndex(), row.Expected);
        for (int i = 0; i < Group.Count(); ++i)
            EXPECT_EQ(Group.Button(i)->isChecked(), i == row.Expected) << "button " << i;
        EXPECT_EQ(Clicks, row.Runs ? std::vector<int>{row.Expected} : std::vector<int>{});
    }
}

TEST_F(RadioGroupTest, UserClickRunsTheHandlerWhenTheSelectionMoves)
{
    Group.Button(1)->click();
    EXPECT_EQ(Group.ItemIndex(), 1);
    Group.Button(1)->click();
    Group.Button(0)->click();
    EXPECT_EQ(Clicks, (std::vector<int>{1, 0}));
}

TEST_F(RadioGroupTest, HandlerMayClearTheSelectionItRefuses)
{
    QObject::connect(&Group, &TRadioGroup::Click, [this] {
        if (Group.ItemIndex() == 2)
            Group.SetItemIndex(-1);
    });
    Group.Button(2)->click();
    EXPECT_EQ(Group.ItemIndex(), -1);
    EXPECT_FALSE(Group.Button(2)->isChecked());
    // Cleared, the same item can be chosen again and is refused again.
    Group.Button(2)->click();
    EXPECT_EQ(Clicks, (std::vector<int>{2, 2}));
    Group.Button(0)->click();
    EXPECT_EQ(Group.ItemIndex(), 0);
}

TEST_F(RadioGroupTest, RelabelledItemsKeepTheirSelection)
{
    Group.SetItemIndex(1);
    Group.SetItemText(1, QStringLiteral("LPT2 [278h]"));
    EXPECT_EQ(Group.ItemText(1), QStringLiteral("LPT2 [278h]"));
    EXPECT_EQ(Group.ItemIndex(), 1);
    EXPECT_EQ(Group.ItemText(5), QString());
}

}  // namespace
