// What the plug-in registers, in which order and form, and how its callback
// wrappers behave when the host lacks a callback.

#include <dlfcn.h>

#include <string>
#include <vector>

#include "runtime/host_objects.h"
#include "tests/plugin/failing_allocations.h"
#include "tests/plugin/plugin_fixture.h"

namespace zembra::test {
namespace {

using Kind = HostRegistration::Kind;
using Registration = PluginTest;

const std::vector<std::string> kGlobalDeclarations = {kCompress,      kDecompress,  kCRC32String,
                                                      kAdler32String, kCRC32Memory, kAdler32Memory};

const std::vector<std::string> kCompressMethods = {
    "Close",
    "ProcessZip",
    "EndZip",
    "InitZip(level as integer)",
    "SetInput(data as string) as boolean",
    "GetOutput as string",
    "InputAvail as integer",
    "OutputSize as integer",
    "Adler32(start as integer, data as string) as integer",
    "CRC32(start as integer, data as string) as integer"};

std::vector<std::string> DecompressMethods() {
  std::vector<std::string> methods = kCompressMethods;
  methods[3] = "InitZip";
  return methods;
}

const std::vector<std::string> kGZipMethods = {
    "Open(file as folderitem, mode as string) as boolean",
    "Close",
    "Write(data as string)",
    "Read(data as integer) as string",
    "WriteByte(data as integer)",
    "ReadByte as integer",
    "SetParameter(level as integer, strategy as integer)",
    "Flush(flush as integer)",
    "Rewind",
    "Adler32(start as integer, data as string) as integer",
    "CRC32(start as integer, data as string) as integer"};

std::vector<std::string> Declarations(const HostClass& hostClass) {
  std::vector<std::string> declarations;
  for (const auto& method : hostClass.methods) declarations.push_back(method.declaration);
  return declarations;
}

// "name type getter-kind" for each property, in order.
std::vector<std::string> Properties(const HostClass& hostClass) {
  std::vector<std::string> properties;
  const REALclassDefinition* d = hostClass.definition;
  for (uint32_t i = 0; i < d->propertyCount; ++i) {
    const REALproperty& p = d->properties[i];
    EXPECT_EQ(p.flags, kREALPropertyFlags);
    EXPECT_EQ(p.group, nullptr);
    std::string access = p.getter == REALstandardGetter ? "field" : "getter";
    if (p.setter == REALstandardSetter) {
      access += "/field";
    } else if (p.setter != nullptr) {
      access += "/setter";
    }
    properties.push_back(std::string(p.name) + " " + p.type + " " + access);
  }
  return properties;
}

TEST_F(Registration, VersionThenClassesThenGlobalMethodsInOrder) {
  const auto& log = HostRegistrations();
  ASSERT_EQ(log.size(), 10u);
  EXPECT_EQ(log[0].kind, Kind::kPluginVersion);
  EXPECT_EQ(log[0].pluginVersion, 9);
  const char* classes[] = {"ZLibCompressKRO", "GZipFileKRO", "ZLibDecompressKRO"};
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(log[1 + i].kind, Kind::kClass);
    const REALclassDefinition* d = log[1 + i].hostClass->definition;
    EXPECT_STREQ(d->name, classes[i]);
    EXPECT_EQ(d->version, 9u);
    EXPECT_EQ(d->mFlags, 4u);
    EXPECT_EQ(d->superName, nullptr);
    EXPECT_EQ(d->eventCount + d->constantCount + d->sharedMethodCount, 0u);
  }
  for (size_t i = 0; i < kGlobalDeclarations.size(); ++i) {
    ASSERT_EQ(log[4 + i].kind, Kind::kMethod);
    EXPECT_EQ(log[4 + i].method.declaration, kGlobalDeclarations[i]);
    EXPECT_EQ(log[4 + i].method.mFlags, 4u);
    EXPECT_EQ(log[4 + i].method.setterFunction, nullptr);
  }
}

TEST_F(Registration, ClassMembersInOrder) {
  const HostClass* compress = FindHostClass("ZLibCompressKRO");
  const HostClass* decompress = FindHostClass("ZLibDecompressKRO");
  const HostClass* gzip = FindHostClass("GZipFileKRO");
  ASSERT_TRUE(compress && decompress && gzip);
  EXPECT_EQ(Declarations(*compress), kCompressMethods);
  EXPECT_EQ(Declarations(*decompress), DecompressMethods());
  EXPECT_EQ(Declarations(*gzip), kGZipMethods);
  for (const HostClass* c : {compress, decompress, gzip}) {
    EXPECT_FALSE(c->threeWordMethods);
    for (const auto& method : c->methods) EXPECT_EQ(method.mFlags, 4u);
  }
  EXPECT_EQ(
      Properties(*compress),
      (std::vector<std::string>{"TotalInput Integer field/field", "TotalOutput Integer field/field",
                                "Error Integer field/field", "Version String getter",
                                "ErrorMessage String getter", "CRC Integer getter"}));
  EXPECT_EQ(
      Properties(*decompress),
      (std::vector<std::string>{"TotalInput Integer field/field", "TotalOutput Integer field/field",
                                "Error Integer field/field", "ErrorMessage String getter",
                                "Version String getter"}));
  // Handle has accessors of its own, so that only zlib's handle is ever used.
  EXPECT_EQ(Properties(*gzip),
            (std::vector<std::string>{
                "Handle Integer getter/setter", "Lasterror Integer field/field",
                "Version String getter", "EOF Boolean getter", "ErrorMessage String getter",
                "ErrorCode Integer getter", "Position Integer getter/setter"}));
  // The error fields come first in their records.
  EXPECT_EQ(compress->definition->properties[2].param, 0);
  EXPECT_EQ(gzip->definition->properties[1].param, static_cast<intptr_t>(sizeof(void*)));
}

TEST_F(Registration, TheApplicationsDeclarationHasNoBlankAfterTheComma) {
  EXPECT_NE(
      RuntimeLookupPluginEntrypoint("CompressZLibKRO(buf as string,level as integer) as string"),
      nullptr);
  EXPECT_EQ(
      RuntimeLookupPluginEntrypoint("CompressZLibKRO(buf as string, level as integer) as string"),
      nullptr);
}

// Where each method of each class lives, as an offset into the library, so
// tables of two loads can be compared.
std::vector<std::string> MethodMap() {
  std::vector<std::string> map;
  for (const auto& entry : HostRegistrations()) {
    if (entry.kind != Kind::kClass) continue;
    for (const auto& method : entry.hostClass->methods) {
      Dl_info info{};
      EXPECT_NE(dladdr(reinterpret_cast<void*>(method.function), &info), 0);
      map.push_back(std::string(entry.hostClass->definition->name) + " " + method.declaration +
                    " @" +
                    std::to_string(reinterpret_cast<uintptr_t>(method.function) -
                                   reinterpret_cast<uintptr_t>(info.dli_fbase)));
    }
  }
  return map;
}

TEST_F(Registration, OlderHostsGetThreeWordTablesOfTheSameMethods) {
  const std::vector<std::string> current = MethodMap();
  ASSERT_EQ(current.size(), 31u);
  for (std::optional<double> version : {std::optional<double>(5.8), std::optional<double>()}) {
    ASSERT_TRUE(UnloadPlugins().ok());
    ConfigureHost({.version = version, .withheld = {}});
    ASSERT_TRUE(LoadPlugin(ZEMBRA_TEST_PLUGIN).ok());
    for (const char* name : {"ZLibCompressKRO", "GZipFileKRO", "ZLibDecompressKRO"}) {
      EXPECT_TRUE(FindHostClass(name)->threeWordMethods);
    }
    EXPECT_EQ(MethodMap(), current);
    // The host reads the three-word table correctly: the methods work.
    HostInstance compressor = New("ZLibCompressKRO");
    Call<void>(compressor, "InitZip(level as integer)", 9);
    Call<void>(compressor, "EndZip");
    EXPECT_EQ(CallString(compressor, "GetOutput as string").bytes(),
              std::string_view("\x78\xDA\x03\x00\x00\x00\x00\x01", 8));
  }
  ASSERT_TRUE(UnloadPlugins().ok());
  ConfigureHost({.version = 5.9, .withheld = {}});
  ASSERT_TRUE(LoadPlugin(ZEMBRA_TEST_PLUGIN).ok());
  EXPECT_FALSE(FindHostClass("GZipFileKRO")->threeWordMethods);
  EXPECT_EQ(MethodMap(), current);
}

// An older host needs three-word method tables, which the plug-in makes at
// registration. Without memory for one, that class is left out and nothing
// throws into the host; the global methods need no table.
TEST(OldHostWithoutMemory, LeavesOutClassesWhoseTablesCannotBeMade) {
  for (int skip : {0, 1, 2}) {
    SCOPED_TRACE(skip);
    ConfigureHost({.version = 5.0, .withheld = {}});
    // The table is made right after the plug-in asks the host's version;
    // the host's own work stays unharmed.
    ObserveHostCallbacks([skip](std::string_view callback) {
      if (callback == "REALGetRBVersion") {
        FailAllocations(skip);
      } else {
        AllowAllocations();
      }
    });
    bool loaded = false, threw = false;
    try {
      loaded = LoadPlugin(ZEMBRA_TEST_PLUGIN).ok();
    } catch (...) {
      threw = true;
    }
    AllowAllocations();
    ObserveHostCallbacks(nullptr);
    EXPECT_FALSE(threw);
    EXPECT_TRUE(loaded);
    int classes = 0, methods = 0;
    for (const auto& entry : HostRegistrations()) {
      classes += entry.kind == Kind::kClass;
      methods += entry.kind == Kind::kMethod;
    }
    EXPECT_EQ(methods, 6);
    if (skip < 2) {
      EXPECT_EQ(classes, 0);
    } else {
      EXPECT_EQ(classes, 3);
      HostInstance compressor = PluginTest::New("ZLibCompressKRO");
      PluginTest::Call<void>(compressor, "InitZip(level as integer)", 9);
    }
    EXPECT_NE(RuntimeLookupPluginEntrypoint(kCompress), nullptr);
    ASSERT_TRUE(UnloadPlugins().ok());
  }
  ConfigureHost({});
}

class PoorHost : public PluginTest {
 protected:
  HostOptions Options() const override {
    return {.version = 10.0,
            .withheld = {"REALBuildString", "PluginRegisterClass", "RegisterPluginVersion",
                         "memoryBlockGetPtr"}};
  }
};

TEST_F(PoorHost, MissingCallbacksMakeNoOpsThatAskAgain) {
  // No version and no classes, but the global methods are registered.
  const auto& log = HostRegistrations();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0].kind, Kind::kMethod);
  EXPECT_EQ(FindHostClass("ZLibCompressKRO"), nullptr);
  EXPECT_EQ(HostResolverQueries("PluginRegisterClass"), 3);

  HostString abc("abc");
  for (int call = 1; call <= 3; ++call) {
    EXPECT_TRUE(CallGlobalString(kCompress, abc.get(), 9).absent());
    EXPECT_EQ(HostResolverQueries("REALBuildString"), call);
  }
  HostMemoryBlock block("abc");
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 5, block.get(), 0, 3), 0);
  EXPECT_EQ(CallGlobal<RBInteger>(kCRC32Memory, 5, block.get(), 0, 3), 0);
  EXPECT_EQ(HostResolverQueries("memoryBlockGetPtr"), 2);
  // A callback the host has is asked for once and kept.
  EXPECT_EQ(HostResolverQueries("REALMemoryBlockGetSize"), 1);
}

}  // namespace
}  // namespace zembra::test
