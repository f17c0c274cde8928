#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "gui/window_fixture.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using WindowInput = WindowFixture;

// The port and speed lists are fixed: what the user types and ends with Enter is used as typed
// and never becomes an item, also when it differs from an item only in case.
TEST_F(WindowInput, EnterInThePortListsUsesTheTextAndKeepsTheItems) {
    struct Case {
        const char* list;
        QString typed;
    };
    Start();
    QSignalSpy connects(Find<QPushButton>("btnConnect"), &QPushButton::clicked);
    const Case cases[] = {
        {"cmbPort", configDir.filePath(QStringLiteral("no-such-port"))},
        {"cmbPort", QStringLiteral("com1")},
        {"cmbBaudrate", QStringLiteral("1200,n,8,1")},
        {"cmbBaudrate", QStringLiteral("19200,E,8,1")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        ShowPage("tsCom");
        auto* list = Find<QComboBox>(c.list);
        QStringList items;
        for (int i = 0; i < list->count(); ++i) {
            items << list->itemText(i);
        }
        const int pressed = connects.count();
        list->setFocus();
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), c.typed);
        QTest::keyClick(list->lineEdit(), Qt::Key_Return);

        QStringList after;
        for (int i = 0; i < list->count(); ++i) {
            after << list->itemText(i);
        }
        EXPECT_EQ(after, items);
        EXPECT_EQ(list->currentText(), c.typed);
        EXPECT_EQ(connects.count(), pressed + 1);
        const LinkSettings& used = window->Settings().link;
        EXPECT_EQ(c.list == std::string("cmbPort") ? used.portName : used.speed, c.typed);
    }
}

}  // namespace
