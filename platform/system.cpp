/*
 * system.cpp - the system check of the start-up: the Qt libraries the
 * program runs on must be at least as new as those it was built with.
 */
#include "platform/system.h"

#include <QtGlobal>
#include <QVersionNumber>

bool SystemRecentEnough(void)
{
    QVersionNumber running = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
    QVersionNumber built = QVersionNumber::fromString(QStringLiteral(QT_VERSION_STR));
    return QVersionNumber::compare(running, built) >= 0;
}
