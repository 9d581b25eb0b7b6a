// QtCore's classes that most files of a Qt target use (cmake/KalvoPrecompiled.cmake).
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
