// The version resource that Explorer and the about window read.

#include "platform/win32/version_resource.h"

#include <gtest/gtest.h>

#include "kalvo_version.h"

namespace kalvo {
namespace {

TEST(VersionResourceTest, TheExecutableCarriesTheBuildsVersion) {
    EXPECT_EQ(ExecutableVersionText(), KALVO_VERSION_TEXT);
}

}  // namespace
}  // namespace kalvo
