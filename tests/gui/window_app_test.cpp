#include <QComboBox>
#include <QEvent>

#include <stdexcept>

#include "gui/window_fixture.h"
#include "tool_application.h"

namespace {

class Throwing : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("controller went away");
        }
        ++delivered;
        return QObject::event(e);
    }
    int delivered = 0;
};

TEST(ToolApplication, HandlerExceptionIsShownAndTheToolGoesOn) {
    auto* app = dynamic_cast<ToolApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    QStringList shown;
    app->SetErrorDisplay([&](const QString& message) { shown.append(message); });
    Throwing target;
    QEvent first(QEvent::User);
    QCoreApplication::sendEvent(&target, &first);
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QEvent harmless(QEvent::Type(QEvent::User + 1));
    QCoreApplication::sendEvent(&target, &harmless);
    EXPECT_EQ(target.delivered, 1);
    app->SetErrorDisplay([](const QString& message) {
        ADD_FAILURE() << "exception in an event handler: " << message.toStdString();
    });
    EXPECT_EQ(shown, QStringList({"controller went away", "controller went away"}));
}

using WindowExit = WindowFixture;

TEST_F(WindowExit, CloseWithoutATestEndsAtOnce) {
    Start();
    Find<QComboBox>("cmbPort")->setEditText(configDir.filePath(QStringLiteral("no-such-port")));
    window->btnDIDOClick();  // no controller: ends at once, and asks for nothing
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->close());
}

}  // namespace
