// The standard headers nearly every file of a precompiled target includes (cmake/KalvoPrecompiled.cmake).
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
