#include <QApplication>
#include <QTabWidget>

#include "gui/window_fixture.h"

namespace {

using WindowLayout = WindowFixture;

// Every control must lie inside its parent in every language: the Chinese window fonts make the
// tab bars taller and so the pages smaller.
TEST_F(WindowLayout, NoControlLeavesItsPageInAnyLanguage) {
    Start();
    for (void (TfrmModule::*pick)() :
         {&TfrmModule::mnuEnglishClick, &TfrmModule::mnuSimplifiedClick,
          &TfrmModule::mnuTraditionalClick}) {
        (window.get()->*pick)();
        for (const char* pageName : {"tsCom", "tsNet", "tsTest", "tsFirmware", "tsCommand"}) {
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
                EXPECT_TRUE(page->rect().contains(drawn))
                    << control->objectName().toStdString() << " in " << pageName << " at "
                    << window->Settings().languageFlag.toStdString() << ": page " << page->width()
                    << "x" << page->height() << ", control bottom " << control->geometry().bottom();
            }
        }
    }
}

}  // namespace
