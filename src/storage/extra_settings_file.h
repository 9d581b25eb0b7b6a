#pragma once
// setup.ini: the settings that setup.dat has no field for, as `key=value` lines under "[General]" (the
// INI layout other tools read and write too). A missing or damaged file gives the defaults; keys this
// version does not know are kept when the file is written again.

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "storage/file_io.h"

namespace kalvo::storage {

using IniValues = std::map<std::string, std::string>;

// Reads the keys of "[General]" (and of no section); other sections, comments and lines without '='
// are passed over.
IniValues DecodeIni(std::string_view text);
std::string EncodeIni(const IniValues& values);

// Applies what the file holds over `settings`; a value that is missing or unreadable keeps its default.
void ApplyExtraSettings(const IniValues& values, TSettings& settings);
void StoreExtraSettings(const TSettings& settings, IniValues& values);

// True when the new settings are all at their defaults: then no setup.ini needs to exist.
bool ExtraSettingsAtDefaults(const TSettings& settings);

void OpenExtraSetup(const std::filesystem::path& file, TSettings& settings);
// Writes the file atomically, keeping keys it does not know. Writes nothing when there is no file yet
// and every new setting is at its default, so a folder without setup.ini keeps its exact contents.
WriteResult SaveExtraSetup(const std::filesystem::path& file, const TSettings& settings);

}  // namespace kalvo::storage
