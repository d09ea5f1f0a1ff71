#include "platform/os_error.h"

#include <cstring>
#include <string>

namespace zembra {

Error FileError(std::string_view action, const std::filesystem::path& path, int err) {
  return FileError(action, path, std::string_view(std::strerror(err)));
}

Error FileError(std::string_view action, const std::filesystem::path& path,
                std::string_view reason) {
  std::string message = "Cannot ";
  message += action;
  message += " \"";
  message += path.string();
  message += "\": ";
  message += reason;
  message += '.';
  return Error{std::move(message)};
}

}  // namespace zembra
