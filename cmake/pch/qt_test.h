// QtTest, for the window tests (cmake/KalvoPrecompiled.cmake).
#pragma once

#include <QSignalSpy>
#include <QTest>
