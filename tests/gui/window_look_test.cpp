// What the window paints: colours are read from grabbed pixels, not from the properties set.
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QScopeGuard>
#include <QTabBar>

#include "gui/window_fixture.h"

namespace {

class WindowLook : public WindowFixture {
protected:
    void ExpectFirmwareNoteOnRed();
};

// The colours painted in a region, most frequent first.
QList<std::pair<QRgb, int>> ColoursOf(const QImage& image, QRect region = {}) {
    region = region.isNull() ? image.rect() : region & image.rect();
    QMap<QRgb, int> counts;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            ++counts[image.pixel(x, y) | 0xFF000000u];
        }
    }
    QList<std::pair<QRgb, int>> sorted;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        sorted.append({it.key(), it.value()});
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.second > b.second; });
    return sorted;
}

QImage Grab(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int PixelsOf(const QImage& image, QColor colour, QRect region = {}) {
    for (const auto& [rgb, count] : ColoursOf(image, region)) {
        if (rgb == colour.rgb()) {
            return count;
        }
    }
    return 0;
}

// WCAG contrast ratio of two colours: 1 (same) to 21 (black on white).
double Contrast(QColor a, QColor b) {
    const auto luminance = [](QColor c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The text colour of a region: the painted colour that stands out most from its background.
QColor TextColourOf(const QImage& image, QRect region) {
    const auto colours = ColoursOf(image, region);
    const QColor background = QColor::fromRgb(colours.first().first);
    QColor best = background;
    for (const auto& [rgb, count] : colours) {
        if (count >= 4 && Contrast(QColor::fromRgb(rgb), background) > Contrast(best, background)) {
            best = QColor::fromRgb(rgb);
        }
    }
    return best;
}

const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);

// Fusion, but a scroll area's viewport with a styled background gets the white of an edit field,
// as the Windows style paints it from the theme.
class WhiteViewportStyle : public QProxyStyle {
public:
    WhiteViewportStyle() : QProxyStyle(QStringLiteral("fusion")) {}
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        const auto* area =
            widget ? qobject_cast<const QAbstractScrollArea*>(widget->parentWidget()) : nullptr;
        if (element == PE_Widget && area && area->viewport() == widget) {
            painter->fillRect(option->rect, Qt::white);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

// The warning on the Firmware page is text on red: yellow for the title, white for the note.
void WindowLook::ExpectFirmwareNoteOnRed() {
    struct Case {
        const char* control;
        QColor text;
    };
    for (const Case& c : {Case{"pnFirmwareNote", kYellow}, Case{"moFirmwareNote", kWhite}}) {
        SCOPED_TRACE(c.control);
        QWidget* painted = Find<QWidget>(c.control);
        if (auto* memo = qobject_cast<QPlainTextEdit*>(painted)) {
            painted = memo->viewport();
        }
        const QImage image = Grab(painted);
        const auto colours = ColoursOf(image);
        EXPECT_EQ(QColor::fromRgb(colours.first().first), kRed);
        EXPECT_GT(colours.first().second, image.width() * image.height() / 2);
        EXPECT_GT(PixelsOf(image, c.text), 50);
    }
}

TEST_F(WindowLook, FirmwareNoteIsPaintedOnRed) {
    Start();
    ShowPage("tsFirmware");
    ExpectFirmwareNoteOnRed();
}

// The style sheets must not leave the memo's viewport to the style's own background.
TEST_F(WindowLook, FirmwareNoteIsPaintedOnRedWhereTheStylePaintsViewports) {
    const QString previous = QApplication::style()->name();
    QApplication::setStyle(new WhiteViewportStyle);
    const auto restore = qScopeGuard([&] {
        window.reset();
        QApplication::setStyle(previous);
    });
    Start();
    ShowPage("tsFirmware");
    ExpectFirmwareNoteOnRed();
}

// The open alarm list looks like the closed box: yellow on the box's colour, with a selection
// that stands out and can be read.
TEST_F(WindowLook, OpenAlarmListHasTheColoursOfTheClosedBox) {
    Start();
    window->SetMainPagesEnabled(true);
    ShowPage("tsTest");
    auto* box = Find<QComboBox>("cmbAlarm");
    // The closed box shades the highlight colour that its style sheet names; the list is flat.
    const QColor boxColour = box->palette().color(QPalette::Highlight);
    EXPECT_GT(PixelsOf(Grab(box), kYellow), 50);

    box->setCurrentIndex(2);
    box->showPopup();
    QAbstractItemView* list = box->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QImage open = Grab(list->viewport());
    for (int row = 0; row < box->count(); ++row) {
        SCOPED_TRACE(row);
        const QRect item = list->visualRect(list->model()->index(row, 0));
        ASSERT_FALSE(item.isEmpty());
        EXPECT_GE(item.height(), 29);
        const QColor background = QColor::fromRgb(ColoursOf(open, item).first().first);
        const QColor text = TextColourOf(open, item);
        if (row == box->currentIndex()) {
            EXPECT_NE(background, boxColour);
        } else {
            EXPECT_EQ(background, boxColour);
            EXPECT_EQ(text, kYellow);
        }
        EXPECT_GE(Contrast(text, background), 3.0);
    }
    box->hidePopup();
}

}  // namespace

namespace {

// Every control the Tab key reaches shows that it has the keyboard focus: a mark that stands out
// from what the control paints without it, over at least half its outline.
TEST_F(WindowLook, FocusIsVisibleOnEveryControl) {
    Start();
    window->SetMainPagesEnabled(true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->setAttribute(Qt::WA_KeyboardFocusChange);  // as the Tab key sets it
    for (const char* pageName : {"tsCom", "tsNet", "tsTest", "tsFirmware", "tsCommand"}) {
        ShowPage(pageName);
        QList<QWidget*> controls = Find<QWidget>(pageName)->findChildren<QWidget*>();
        controls << Find<QTabWidget>("pcMain")->tabBar() << Find<QTabWidget>("pcPort")->tabBar();
        for (QWidget* control : controls) {
            if (!control->isVisible() || (control->focusPolicy() & Qt::TabFocus) != Qt::TabFocus ||
                control->focusProxy()) {
                continue;
            }
            Find<QWidget>("btnConnect")->setFocus(Qt::TabFocusReason);
            const QImage without = Grab(control);
            control->setFocus(Qt::TabFocusReason);
            const QImage with = Grab(control);
            // A tab bar marks its current tab.
            const auto* tabs = qobject_cast<QTabBar*>(control);
            const QRect item = tabs ? tabs->tabRect(tabs->currentIndex()) : control->rect();
            int marked = 0;
            for (int y = item.top(); y <= item.bottom(); ++y) {
                for (int x = item.left(); x <= item.right(); ++x) {
                    marked += Contrast(with.pixelColor(x, y), without.pixelColor(x, y)) >= 1.5;
                }
            }
            EXPECT_GE(marked, item.width() + item.height())
                << control->objectName().toStdString() << " on " << pageName;
        }
    }
}

}  // namespace
