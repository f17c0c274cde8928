#pragma once

#include <QApplication>
#include <QString>

#include <functional>

// The application title: never translated or changed.
inline constexpr char kApplicationTitle[] = "KR470QX-V5 Tools";

// The application: an exception thrown in an event handler is shown with its text and the tool
// goes on running.
class ToolApplication : public QApplication {
public:
    using ErrorDisplay = std::function<void(const QString& message)>;

    ToolApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Tests replace the message box.
    void SetErrorDisplay(ErrorDisplay display) { display_ = std::move(display); }
    void ShowError(const QString& message) const;

private:
    ErrorDisplay display_;
};

// The default display: a message box with the text.
void ShowErrorBox(const QString& message);
// Runs fn; an exception escaping it is shown and handled there. Returns false when one was.
bool RunShowingErrors(const std::function<void()>& fn, const ToolApplication::ErrorDisplay& show);
