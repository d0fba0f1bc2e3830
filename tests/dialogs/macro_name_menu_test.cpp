// The macro name list popup: placement below its opener, the choice posted as 13332, and a press
// on the opener closing it for good.
#include "panel/dialogs/macro_name_menu.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "skin/list_box_ex.h"
#include "skin/skinned_window.h"

namespace {

class Owner : public skin::SkinnedWindow {
public:
    int64_t onMessage(uint32_t message, int64_t wParam, int64_t) override {
        if (message == macro::kMacroChosen) chosen.push_back(int(wParam));
        return 0;
    }
    std::vector<int> chosen;
};

struct MenuFixture {
    Owner owner;
    QPushButton* opener = new QPushButton(&owner);
    QPointer<macro::CMacroNameMenu> menu;
    MenuFixture() {
        owner.resize(400, 300);
        opener->setGeometry(20, 30, 200, 32);
        owner.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&owner));
        menu = macro::CMacroNameMenu::open(&owner, opener, {"One", "Two", "Three"}, 1, "/nonexistent");
    }
    ~MenuFixture() {
        if (menu) menu->close();
    }
};

}  // namespace

TEST(MacroNameMenu, OpensBelowTheOpenerWithTheCurrentNameSelected) {
    MenuFixture f;
    ASSERT_TRUE(f.menu);
    EXPECT_EQ(f.menu->pos(), f.opener->mapToGlobal(QPoint(0, f.opener->height())));
    EXPECT_EQ(f.menu->width(), f.opener->width());
    EXPECT_EQ(f.menu->list()->count(), 3);
    EXPECT_EQ(f.menu->list()->currentSelection(), 1);
    EXPECT_EQ(f.menu->list()->text(2), "Three");
}

TEST(MacroNameMenu, ChoosingPostsTheIndexAndCloses) {
    struct Case { const char* how; int expected; };
    for (const Case c : {Case{"press", 2}, Case{"key down", 2}, Case{"enter", 1}, Case{"escape", -1}}) {
        MenuFixture f;
        skin::CListBoxEx* list = f.menu->list();
        const std::string how = c.how;
        if (how == "press") QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(30, 2 * 24 + 12));
        if (how == "key down") QTest::keyClick(f.menu, Qt::Key_Down);
        if (how == "enter") QTest::keyClick(f.menu, Qt::Key_Return);
        if (how == "escape") QTest::keyClick(f.menu, Qt::Key_Escape);
        QTest::qWait(20);
        EXPECT_FALSE(f.menu) << c.how;
        EXPECT_EQ(f.owner.chosen, c.expected < 0 ? std::vector<int>{} : std::vector<int>{c.expected}) << c.how;
    }
}

TEST(MacroNameMenu, PressOnTheOpenerClosesWithoutReopening) {
    MenuFixture f;
    int opened = 0;
    QObject::connect(f.opener, &QPushButton::pressed, [&] { ++opened; });
    QTest::mousePress(f.menu, Qt::LeftButton, {}, f.menu->mapFromGlobal(f.opener->mapToGlobal(QPoint(10, 10))));
    QTest::qWait(20);
    EXPECT_FALSE(f.menu);
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(f.owner.chosen.empty());
}
