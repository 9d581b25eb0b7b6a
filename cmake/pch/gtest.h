// GoogleTest, for the test programs (cmake/KalvoPrecompiled.cmake).
#pragma once

#include <gtest/gtest.h>
