#include "runtime/host_instance.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace zembra {
namespace {

// Mirrors the test plug-in's instance record.
struct CounterRecord {
  int32_t count;
  RBBoolean flag;
  REALstring label;
  int64_t untouched;
};

class HostInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Status loaded = LoadPlugin(TEST_PLUGIN);
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
  }
  void TearDown() override { EXPECT_TRUE(UnloadPlugins().ok()); }

  static HostInstance NewCounter() {
    auto created = HostInstance::Create("Counter");
    if (!created) throw std::runtime_error(created.error().message);
    return std::move(created.value());
  }

  static RBInteger Destroyed() {
    return reinterpret_cast<RBInteger (*)()>(
        RuntimeLookupPluginEntrypoint("Destroyed as integer"))();
  }
};

TEST_F(HostInstanceTest, RecordIsZeroFilledAtTheRegisteredOffsetThenConstructed) {
  HostInstance counter = NewCounter();
  const auto offset = counter.hostClass().definition->forSystemUse;
  EXPECT_EQ(offset % alignof(std::max_align_t), 0u);
  EXPECT_EQ(counter.data(), reinterpret_cast<char*>(counter.get()) + offset);
  const auto* record = static_cast<const CounterRecord*>(counter.data());
  EXPECT_EQ(record->count, 7);  // set by the constructor
  EXPECT_FALSE(record->flag);
  EXPECT_EQ(record->label, nullptr);
  EXPECT_EQ(record->untouched, 0);

  const RBInteger before = Destroyed();
  { HostInstance moved = std::move(counter); }
  EXPECT_EQ(Destroyed(), before + 1);
}

// An instance needs its class and the plug-in's code (its destructor above
// all) for as long as it lives, so the plug-ins stay while one does.
TEST_F(HostInstanceTest, PluginsStayLoadedWhileAnInstanceLives) {
  auto counter = std::make_unique<HostInstance>(NewCounter());
  const Status refused = UnloadPlugins();
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message,
            "Cannot unload the plug-ins: 1 instance of their classes is still in use.");
  ASSERT_TRUE(counter->SetInteger("Count", 3).ok());
  EXPECT_EQ(counter->GetInteger("Count").value(), 3);
  ASSERT_NE(FindHostClass("Counter"), nullptr);

  const RBInteger before = Destroyed();
  counter.reset();
  EXPECT_EQ(Destroyed(), before + 1);  // its destructor was still there to run
  EXPECT_EQ(LiveHostInstances(), 0u);
  EXPECT_TRUE(UnloadPlugins().ok());
  EXPECT_EQ(FindHostClass("Counter"), nullptr);
  ASSERT_TRUE(LoadPlugin(TEST_PLUGIN).ok());  // for TearDown
}

TEST_F(HostInstanceTest, StandardAccessorsUseTheFieldAtTheOffset) {
  HostInstance counter = NewCounter();
  ASSERT_TRUE(counter.SetInteger("Count", -5).ok());
  EXPECT_EQ(static_cast<CounterRecord*>(counter.data())->count, -5);
  EXPECT_EQ(counter.GetInteger("Count").value(), -5);
  ASSERT_TRUE(counter.SetBoolean("Flag", true).ok());
  EXPECT_TRUE(counter.GetBoolean("Flag").value());

  HostString label("tag");
  ASSERT_TRUE(counter.SetString("Label", label).ok());
  EXPECT_EQ(label.refCount(), 2u);
  EXPECT_EQ(counter.GetString("Label").value().bytes(), "tag");
  ASSERT_TRUE(counter.SetString("Label", HostString("other")).ok());
  EXPECT_EQ(label.refCount(), 1u);
  ASSERT_TRUE(counter.SetString("Label", label).ok());
  counter = NewCounter();  // the old instance goes, with its reference
  EXPECT_EQ(label.refCount(), 1u);
}

TEST_F(HostInstanceTest, ComputedAccessorsGetTheirParameter) {
  HostInstance counter = NewCounter();
  EXPECT_EQ(counter.GetInteger("Doubled").value(), 15);
  ASSERT_TRUE(counter.SetInteger("Doubled", 40).ok());
  EXPECT_EQ(counter.GetInteger("Count").value(), 20);
  EXPECT_TRUE(counter.GetBoolean("Positive").value());

  Status readOnly = counter.SetBoolean("Positive", false);
  ASSERT_FALSE(readOnly.ok());
  EXPECT_EQ(readOnly.error().message, "Cannot use the property Counter.Positive: it is read-only.");
  EXPECT_FALSE(counter.GetString("Count").ok());
  EXPECT_FALSE(counter.GetInteger("Missing").ok());
}

TEST_F(HostInstanceTest, MethodsAreFoundByDeclaration) {
  HostInstance counter = NewCounter();
  auto add = counter.Method<RBInteger(RBInteger)>("Add(n as integer) as integer");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(counter.get(), 5), 12);
  EXPECT_EQ(counter.Method<RBInteger(RBInteger)>("Add(n as integer)"), nullptr);
  auto unknown = HostInstance::Create("Nothing");
  ASSERT_FALSE(unknown.ok());
  EXPECT_EQ(unknown.error().message,
            "Cannot create an instance of Nothing: no plug-in registered that class.");
}

}  // namespace
}  // namespace zembra
