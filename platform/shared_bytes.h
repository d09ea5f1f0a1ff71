#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace zembra {

// Bytes kept alive by whoever holds them, so that large results (a packed
// song) pass from layer to layer without being copied. Copies share the
// bytes; they never change.
class SharedBytes {
 public:
  SharedBytes() = default;
  // Takes over a string's bytes.
  SharedBytes(std::string bytes)  // NOLINT: implicit, so functions returning strings fit
      : owner_(std::make_shared<const std::string>(std::move(bytes))),
        view_(*std::static_pointer_cast<const std::string>(owner_)) {}
  // Bytes that `owner` keeps alive.
  SharedBytes(std::string_view bytes, std::shared_ptr<const void> owner)
      : owner_(std::move(owner)), view_(bytes) {}

  std::string_view view() const { return view_; }
  const char* data() const { return view_.data(); }
  std::size_t size() const { return view_.size(); }
  bool empty() const { return view_.empty(); }

 private:
  std::shared_ptr<const void> owner_;
  std::string_view view_;
};

}  // namespace zembra
