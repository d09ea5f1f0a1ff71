#include "runtime/plugin_host.h"

#include <gtest/gtest.h>

#include "runtime/host_string.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace zembra {
namespace {

using Kind = HostRegistration::Kind;

class PluginHostTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(UnloadPlugins().ok());
    ConfigureHost({});
  }
};

TEST_F(PluginHostTest, LoadFailuresNameThePluginAndTheReason) {
  test::TempDir dir;
  Status missing = LoadPlugin(dir / "nothing.so");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message,
            "Cannot load the plug-in \"" + (dir / "nothing.so").string() +
                "\": cannot open shared object file: No such file or directory.");

  test::WriteFile(dir / "text.so", "not a library");
  Status notLibrary = LoadPlugin(dir / "text.so");
  ASSERT_FALSE(notLibrary.ok());
  EXPECT_NE(notLibrary.error().message.find((dir / "text.so").string()), std::string::npos);

  Status noEntry = LoadPlugin(NO_ENTRY_PLUGIN);
  ASSERT_FALSE(noEntry.ok());
  EXPECT_NE(noEntry.error().message.find("it has no REALPluginMain entry point"),
            std::string::npos);
  EXPECT_TRUE(HostRegistrations().empty());
}

TEST_F(PluginHostTest, RecordsRegistrationsInOrderAndLoadsOnce) {
  ASSERT_TRUE(LoadPlugin(TEST_PLUGIN).ok());
  ASSERT_TRUE(LoadPlugin(TEST_PLUGIN).ok());  // already loaded: not entered again
  const auto& log = HostRegistrations();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0].kind, Kind::kPluginVersion);
  EXPECT_EQ(log[0].pluginVersion, 7);
  ASSERT_EQ(log[1].kind, Kind::kClass);
  EXPECT_STREQ(log[1].hostClass->definition->name, "Counter");
  EXPECT_EQ(log[2].kind, Kind::kMethod);
  EXPECT_STREQ(log[2].method.declaration, "Echo(s as string) as string");
  EXPECT_EQ(log[2].method.mFlags, kREALMethodFlags);
  EXPECT_EQ(FindHostClass("Counter"), log[1].hostClass);
  EXPECT_EQ(FindHostClass("counter"), nullptr);
}

TEST_F(PluginHostTest, EntrypointsMatchDeclarationsByteForByte) {
  ASSERT_TRUE(LoadPlugin(TEST_PLUGIN).ok());
  REALproc* table = RuntimeAllocatePluginEntrypointsTable(2);
  EXPECT_EQ(table[0], nullptr);
  EXPECT_EQ(table[1], nullptr);
  table[0] = RuntimeLookupPluginEntrypoint("Echo(s as string) as string");
  ASSERT_NE(table[0], nullptr);
  EXPECT_EQ(RuntimeLookupPluginEntrypoint("Echo(s as string)  as string"), nullptr);
  EXPECT_EQ(RuntimeLookupPluginEntrypoint("echo(s as string) as string"), nullptr);
  EXPECT_EQ(
      RuntimeLookupPluginEntrypoint("CompressZLibKRO(buf as string,level as integer) as string"),
      nullptr);
  EXPECT_EQ(RuntimeLookupPluginEntrypoint(nullptr), nullptr);

  HostString in("x\0y");
  HostString out =
      HostString::Adopt(reinterpret_cast<REALstring (*)(REALstring)>(table[0])(in.get()));
  EXPECT_EQ(out.bytes(), in.bytes());

  ASSERT_TRUE(UnloadPlugins().ok());  // the plug-in's code is gone, so must be the slots
  EXPECT_EQ(table[0], nullptr);
  EXPECT_EQ(RuntimeLookupPluginEntrypoint("Echo(s as string) as string"), nullptr);
}

TEST_F(PluginHostTest, EvenATableOfNoSlotsHasItsOneSlotCleared) {
  ASSERT_TRUE(LoadPlugin(TEST_PLUGIN).ok());
  REALproc* table = RuntimeAllocatePluginEntrypointsTable(0);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table[0], nullptr);
  table[0] = RuntimeLookupPluginEntrypoint("Echo(s as string) as string");
  ASSERT_NE(table[0], nullptr);
  ASSERT_TRUE(UnloadPlugins().ok());
  EXPECT_EQ(table[0], nullptr);
}

TEST_F(PluginHostTest, ResolverWithholdsCallbacksAndCountsQuestions) {
  EXPECT_NE(HostResolve("REALBuildString"), nullptr);
  EXPECT_EQ(HostResolve("NoSuchCallback"), nullptr);
  EXPECT_EQ(HostResolverQueries("NoSuchCallback"), 1);

  ConfigureHost({.version = 5.5, .withheld = {"REALBuildString"}});
  EXPECT_EQ(HostResolve("REALBuildString"), nullptr);
  auto version = reinterpret_cast<REALGetRBVersionProc>(HostResolve("REALGetRBVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(), 5.5);

  ConfigureHost({.version = std::nullopt, .withheld = {}});
  EXPECT_EQ(HostResolve("REALGetRBVersion"), nullptr);
  EXPECT_EQ(HostResolverQueries("REALGetRBVersion"), 2);
}

}  // namespace
}  // namespace zembra
