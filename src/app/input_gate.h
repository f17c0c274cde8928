#pragma once

#include <QObject>

class QWidget;

// Keeps the user's input from one window while the window must take none: while the gate is
// closed (a one-shot operation runs) and while the window is disabled. Input is dropped, not kept
// for later, as a platform whose disabled windows take no input would do.
class InputGate : public QObject {
public:
    explicit InputGate(QWidget& window);
    ~InputGate() override;

    // Returns whether it was closed before.
    bool SetClosed(bool closed);
    bool Closed() const { return closed_; }

    // Brings in everything the display server has sent to the program up to this moment and
    // runs it with the gate closed: input given until now has no effect, not even later.
    void DiscardInputSentUpToNow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool BelongsToWindow(const QObject* object) const;

    QWidget& window_;
    bool closed_ = false;
};
