#pragma once

#include <QList>
#include <QObject>

#include <initializer_list>

class QTabWidget;

// Ctrl+Tab and Ctrl+PgDn show the next page of a page control, Ctrl+Shift+Tab and Ctrl+PgUp the
// one before, from any control on its pages and from its tab bar, and only pages whose tab is
// shown and enabled. Qt's own paging sees only the keys a focused control leaves to its parents
// (a list box takes them as a search) and steps onto hidden tabs.
class TabPaging : public QObject {
public:
    explicit TabPaging(std::initializer_list<QTabWidget*> pageControls);
    ~TabPaging() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTabWidget* PageControlHolding(const QObject* object) const;

    QList<QTabWidget*> pageControls_;
};
