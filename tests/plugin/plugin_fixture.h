#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/host_instance.h"
#include "runtime/host_string.h"
#include "runtime/plugin_host.h"

namespace zembra::test {

// Loads the real compressplugin through the host runtime for each test and
// calls it only as a host program would: by declaration.
class PluginTest : public ::testing::Test {
 protected:
  virtual HostOptions Options() const { return {}; }

  void SetUp() override {
    ConfigureHost(Options());
    Status loaded = LoadPlugin(ZEMBRA_TEST_PLUGIN);
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
  }
  void TearDown() override {
    EXPECT_TRUE(UnloadPlugins().ok());
    ConfigureHost({});
  }

 public:
  // A global method by its declaration, called with `args`.
  template <typename R, typename... Args>
  static R CallGlobal(const char* declaration, Args... args) {
    REALproc proc = RuntimeLookupPluginEntrypoint(declaration);
    if (proc == nullptr) throw std::runtime_error(std::string("not registered: ") + declaration);
    return reinterpret_cast<R (*)(Args...)>(proc)(args...);
  }
  template <typename... Args>
  static HostString CallGlobalString(const char* declaration, Args... args) {
    return HostString::Adopt(CallGlobal<REALstring>(declaration, args...));
  }

  static HostInstance New(std::string_view className) {
    auto created = HostInstance::Create(className);
    if (!created) throw std::runtime_error(created.error().message);
    return std::move(created.value());
  }

  // A method of `instance` by its declaration, called with `args`.
  template <typename R, typename... Args>
  static R Call(const HostInstance& instance, std::string_view declaration, Args... args) {
    auto method = instance.Method<R(Args...)>(declaration);
    if (method == nullptr) throw std::runtime_error("no method " + std::string(declaration));
    return method(instance.get(), args...);
  }
  template <typename... Args>
  static HostString CallString(const HostInstance& instance, std::string_view declaration,
                               Args... args) {
    return HostString::Adopt(Call<REALstring>(instance, declaration, args...));
  }

  static RBInteger Int(const HostInstance& instance, std::string_view property) {
    return Must(instance.GetInteger(property));
  }
  static bool Bool(const HostInstance& instance, std::string_view property) {
    return Must(instance.GetBoolean(property));
  }
  static HostString Str(const HostInstance& instance, std::string_view property) {
    return Must(instance.GetString(property));
  }

 private:
  template <typename T>
  static T Must(Result<T> result) {
    if (!result) throw std::runtime_error(result.error().message);
    return std::move(result.value());
  }
};

inline constexpr const char* kCompress =
    "CompressZLibKRO(buf as string,level as integer) as string";
inline constexpr const char* kDecompress =
    "DecompressZLibKRO(buf as string,size as integer) as string";
inline constexpr const char* kCRC32String =
    "CRC32StringKRO(crc as integer, buf as string) as integer";
inline constexpr const char* kAdler32String =
    "Adler32StringKRO(adler as integer, buf as string) as integer";
inline constexpr const char* kCRC32Memory =
    "CRC32MemoryKRO(crc as integer, buf as memoryblock, offset as integer, length as integer) as "
    "integer";
inline constexpr const char* kAdler32Memory =
    "Adler32MemoryKRO(adler as integer, buf as memoryblock, offset as integer, length as integer) "
    "as integer";

// Bytes that do not compress, and bytes that compress well, of a given size.
std::string NoiseBytes(size_t size, uint32_t seed = 1);
std::string PatternBytes(size_t size);

}  // namespace zembra::test
