#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QStyleOptionGroupBox>
#include <QTabWidget>

#include "gui/window_fixture.h"

namespace {

class WindowLayout : public WindowFixture {
protected:
    using Pick = void (TfrmModule::*)();
    static constexpr Pick kLanguages[] = {&TfrmModule::mnuEnglishClick,
                                          &TfrmModule::mnuSimplifiedClick,
                                          &TfrmModule::mnuTraditionalClick};
    static constexpr const char* kPages[] = {"tsCom", "tsNet", "tsTest", "tsFirmware", "tsCommand"};
    std::string Where(const QWidget* control) const {
        return control->objectName().toStdString() + " at " +
               window->Settings().languageFlag.toStdString();
    }
};

// Every control must lie inside its parent in every language: the Chinese window fonts make the
// tab bars taller and so the pages smaller.
TEST_F(WindowLayout, NoControlLeavesItsPageInAnyLanguage) {
    Start();
    for (Pick pick : kLanguages) {
        (window.get()->*pick)();
        for (const char* pageName : kPages) {
            QWidget* page = Find<QWidget>(pageName);
            ShowPage(pageName);
            QApplication::processEvents();
            for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                // Only what the control draws counts: a label's text sits at its top.
                QRect drawn = control->geometry();
                if (auto* label = qobject_cast<QLabel*>(control);
                    label && label->alignment() & Qt::AlignTop) {
                    const QFontMetrics metrics = label->fontMetrics();
                    const int inkBottom =
                        metrics.ascent() + metrics.tightBoundingRect(label->text()).bottom();
                    drawn.setHeight(qMin(drawn.height(), inkBottom + 1));
                }
                // A control that ends on the page's last line has its edge drawn over by the
                // page's frame.
                EXPECT_TRUE(page->rect().adjusted(0, 0, 0, -2).contains(drawn))
                    << Where(control) << " in " << pageName << ": page " << page->width() << "x"
                    << page->height() << ", control bottom " << control->geometry().bottom();
            }
        }
    }
}

// A group box's controls lie inside its frame, below the line that carries its title.
TEST_F(WindowLayout, GroupBoxFramesHoldTheirControls) {
    Start();
    window->SetMainPagesEnabled(true);
    ShowPage("tsCommand");
    for (Pick pick : kLanguages) {
        (window.get()->*pick)();
        QApplication::processEvents();
        for (const char* name : {"gbController", "gbModule"}) {
            auto* group = Find<QGroupBox>(name);
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.lineWidth = 1;
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect frame = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                               QStyle::SC_GroupBoxFrame, group);
            const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                               QStyle::SC_GroupBoxLabel, group);
            EXPECT_GE(title.width(), group->fontMetrics().horizontalAdvance(group->title()))
                << Where(group);
            for (QWidget* control : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                EXPECT_GT(control->geometry().top(), frame.top()) << Where(control);
                EXPECT_TRUE(frame.contains(control->geometry())) << Where(control);
                if (control->geometry().intersects(title)) {
                    ADD_FAILURE() << Where(control) << " lies over the title of " << name;
                }
            }
        }
    }
}

// Every text fits the control that shows it, in the font that control really uses; controls
// without a font of their own take the window font of each language.
TEST_F(WindowLayout, TextsFitTheirControlsInEveryLanguage) {
    Start();
    window->SetMainPagesEnabled(true);
    for (Pick pick : kLanguages) {
        (window.get()->*pick)();
        for (const char* pageName : kPages) {
            ShowPage(pageName);
            QApplication::processEvents();
            for (QWidget* control : Find<QWidget>(pageName)->findChildren<QWidget*>()) {
                if (control->window() != window.get()) {
                    continue;  // the lists' popups
                }
                bool ownFont = false;
                for (QWidget* up = control; up != window.get(); up = up->parentWidget()) {
                    ownFont = ownFont || up->testAttribute(Qt::WA_SetFont);
                }
                if (!ownFont && !qobject_cast<QLineEdit*>(control->parentWidget())) {
                    EXPECT_EQ(control->font().pointSize(), window->font().pointSize())
                        << Where(control);
                    EXPECT_EQ(control->font().family(), window->font().family()) << Where(control);
                }
                const QFontMetrics metrics = control->fontMetrics();
                QStringList texts;
                QRect room = control->contentsRect();
                if (auto* label = qobject_cast<QLabel*>(control)) {
                    texts << label->text();
                } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
                    texts << button->text();
                    room.adjust(4, 0, -4, 0);
                    if (qobject_cast<QCheckBox*>(button)) {
                        room.setLeft(room.left() + 20);  // the box before the text
                    }
                } else if (auto* list = qobject_cast<QComboBox*>(control)) {
                    for (int i = 0; i < list->count(); ++i) {
                        texts << list->itemText(i);
                    }
                    QStyleOptionComboBox option;
                    option.initFrom(list);
                    option.editable = list->isEditable();
                    room = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, list);
                } else {
                    continue;
                }
                for (const QString& text : texts) {
                    if (text.isEmpty() || text.contains(u'\n')) {
                        continue;
                    }
                    const QRect ink = metrics.tightBoundingRect(text);
                    EXPECT_LE(metrics.horizontalAdvance(text), room.width())
                        << Where(control) << ": " << text.toStdString();
                    EXPECT_LE(ink.height(), room.height())
                        << Where(control) << ": " << text.toStdString();
                }
            }
        }
    }
}

}  // namespace
