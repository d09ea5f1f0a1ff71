// The application's binding of CompressZLibKRO through the host runtime.

#include "runtime/plugin_binding.h"

#include <gtest/gtest.h>

#include "runtime/plugin_host.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

class Binding : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_TRUE(UnloadPlugins().ok()); }
};

TEST_F(Binding, UnboundCompressionIsEmptyNotACall) {
  ASSERT_TRUE(UnloadPlugins().ok());
  EXPECT_FALSE(PluginEntrypointsBound());
  EXPECT_EQ(CompressBytes("abc", 9).view(), "");
  EXPECT_TRUE(CompressZLibKRO(HostString("abc"), 9).absent());
}

// Run from the build tree the plug-in lies next to the program; run from an
// installed copy of this test it lies in the installed library folder.
TEST_F(Binding, FindsThePluginWithoutBeingTold) {
  const std::filesystem::path path = DefaultPluginPath();
  EXPECT_TRUE(std::filesystem::exists(path)) << path;
  Status bound = _InitPluginEntrypoints();
  ASSERT_TRUE(bound.ok()) << bound.error().message;
  EXPECT_TRUE(PluginEntrypointsBound());
  EXPECT_EQ(CompressBytes("abc", 9).view(),
            std::string_view("\x78\xDA\x4B\x4C\x4A\x06\x00\x02\x4D\x01\x27", 11));
}

TEST_F(Binding, CompressesThroughSlotZero) {
  Status bound = _InitPluginEntrypoints(ZEMBRA_TEST_PLUGIN);
  ASSERT_TRUE(bound.ok()) << bound.error().message;
  ASSERT_TRUE(_InitPluginEntrypoints(ZEMBRA_TEST_PLUGIN).ok());  // binding again is harmless
  EXPECT_EQ(CompressBytes("", 9).view(), std::string_view("\x78\xDA\x03\x00\x00\x00\x00\x01", 8));
  EXPECT_EQ(CompressBytes("abc", 10).view(), "");

  HostString song("a song");
  HostString packed = CompressZLibKRO(song, 9);
  EXPECT_EQ(song.refCount(), 1u);  // the wrapper's own reference is released
  EXPECT_EQ(packed.refCount(), 1u);
  EXPECT_EQ(packed.encoding(), kREALEncodingRaw);
  EXPECT_EQ(packed.bytes().substr(0, 2), "\x78\xDA");

  // The packed bytes stay the plug-in's result string while anyone holds
  // them, and go with the last holder.
  const size_t strings = HostLiveStrings();
  const std::string bytes(100000, 'z');
  SharedBytes first = CompressBytes(bytes, 9);
  EXPECT_EQ(HostLiveStrings(), strings + 1);
  SharedBytes copy = first;
  first = SharedBytes();
  EXPECT_EQ(copy.view(), CompressBytes(bytes, 9).view());
  copy = SharedBytes();
  EXPECT_EQ(HostLiveStrings(), strings);
}

TEST_F(Binding, FailuresNameThePluginAndTheReason) {
  test::TempDir dir;
  Status missing = _InitPluginEntrypoints(dir / "compressplugin.so");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message,
            "Cannot load the plug-in \"" + (dir / "compressplugin.so").string() +
                "\": cannot open shared object file: No such file or directory.");

  // A plug-in that registers only a look-alike declaration binds nothing.
  Status unregistered = _InitPluginEntrypoints(OTHER_PLUGIN);
  ASSERT_FALSE(unregistered.ok());
  EXPECT_EQ(unregistered.error().message,
            std::string("Cannot use the plug-in \"") + OTHER_PLUGIN +
                "\": it does not provide CompressZLibKRO(buf as string,level as integer) as "
                "string.");
  EXPECT_FALSE(PluginEntrypointsBound());
  EXPECT_EQ(CompressBytes("abc", 9).view(), "");
}

}  // namespace
}  // namespace zembra
