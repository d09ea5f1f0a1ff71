#include <iostream>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "platform/terminal_text.h"
#include "samples/folder_scan.h"
#include "samples/vag_patch.h"

namespace zembra::cli {

int Fail(const Error& error) {
  // Messages name files, whose names may carry control characters.
  std::cerr << "zembra-cli: " << EscapeControlBytes(error.message) << '\n';
  return kExitFailed;
}

int RunScan(const std::filesystem::path& folder, bool patchable) {
  if (patchable) {
    Result<std::vector<std::filesystem::path>> files = ListFilesNeedingPatch(folder);
    if (!files) return Fail(files.error());
    for (const std::filesystem::path& file : *files) {
      std::cout << EscapeControlBytes(file.filename().string()) << '\n';
    }
    return kExitOk;
  }
  Result<std::vector<std::string>> names = ScanUsableSamples(folder);
  if (!names) return Fail(names.error());
  for (const std::string& name : *names) std::cout << EscapeControlBytes(name) << '\n';
  // An empty pool is an answer, not a failure; the hint goes where a person
  // reads it and stays out of the list a script reads.
  if (names->empty()) {
    std::cerr << "No useable VAG files found. Perhaps you need to patch them?\n";
  }
  return kExitOk;
}

int RunPatch(const std::filesystem::path& folder) {
  Result<std::vector<std::filesystem::path>> files = ListFilesNeedingPatch(folder);
  if (!files) return Fail(files.error());
  bool all_patched = true;
  for (const std::filesystem::path& file : *files) {
    if (Status patched = PatchVagFile(file); patched) {
      std::cout << "patched " << EscapeControlBytes(file.filename().string()) << '\n';
    } else {
      all_patched = false;
      std::cout << "skipped " << EscapeControlBytes(file.filename().string()) << '\n';
      Fail(patched.error());
    }
  }
  return all_patched ? kExitOk : kExitFailed;
}

}  // namespace zembra::cli
