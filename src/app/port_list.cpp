#include "port_list.h"

#include <QSerialPortInfo>

QStringList SystemPorts() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        names.append(info.portName());
#else
        names.append(info.systemLocation());
#endif
    }
    return names;
}

QString TrimControlAndBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32) {
        ++begin;
    }
    while (end > begin && text[end - 1].unicode() <= 32) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QStringList PortListItems(const QStringList& systemNames) {
    QStringList items;
    for (const QString& name : systemNames) {
        items.append(TrimControlAndBlanks(name));
    }
    if (items.isEmpty()) {
        for (int number = 1; number <= 16; ++number) {
            items.append(QStringLiteral("COM%1").arg(number));
        }
    }
    return items;
}
