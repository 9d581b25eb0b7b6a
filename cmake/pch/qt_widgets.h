// The widgets and painting that most files of the windows use (cmake/KalvoPrecompiled.cmake).
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QWidget>
