#include "ui/common/app_context.h"

#include "storage/file_io.h"

namespace kalvo::ui {

QString PathText(const std::filesystem::path& path) { return Q(storage::Utf8FromPath(path)); }

QString AppContext::ProgramFolder() const { return PathText(files.folder); }

}  // namespace kalvo::ui
