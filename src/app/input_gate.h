#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

// Keeps the user's input from one window while the window must take none: while an operation
// holds the gate closed and while the window is disabled. Input is dropped, not kept for later,
// as a platform whose disabled windows take no input would do. Each time the window takes input
// again (it is enabled again, or an operation has returned), what is still on its way from the
// display server is dropped too, and the control that had the keyboard focus gets it back.
class InputGate : public QObject {
public:
    explicit InputGate(QWidget& window);
    ~InputGate() override;

    // An operation during which the window takes no input at all.
    void RunClosed(const std::function<void()>& operation);
    // An operation during which the window takes input whenever it is enabled.
    void RunOpen(const std::function<void()>& operation);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool BelongsToWindow(const QObject* object) const;
    void TakeInputAgain();

    QWidget& window_;
    QPointer<QWidget> lastFocus_;  // the window's control that had the keyboard focus last
    bool closed_ = false;
};
