// QtNetwork's classes of the CalDAV client and its tests (cmake/KalvoPrecompiled.cmake).
#pragma once

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
