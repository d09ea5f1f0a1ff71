#include "gui/import_audio.h"

#include <QCoreApplication>

#include <system_error>

#include "audio/vag_import.h"
#include "gui/background_task.h"
#include "gui/dialog_service.h"
#include "platform/os_error.h"

namespace zembra {

std::filesystem::path FreeSampleName(const std::filesystem::path& folder,
                                     const std::filesystem::path& source) {
  const std::string stem = source.stem().string();
  std::filesystem::path candidate = folder / (stem + ".vag");
  std::error_code error;
  // symlink_status: a dangling link still holds the name.
  for (int number = 2; std::filesystem::exists(std::filesystem::symlink_status(candidate, error));
       ++number) {
    candidate = folder / (stem + "_" + std::to_string(number) + ".vag");
  }
  return candidate;
}

ImportOutcome ImportAudioFiles(const std::vector<std::filesystem::path>& sources,
                               const std::filesystem::path& folder, TaskProgress& progress) {
  ImportOutcome outcome;
  const int total = static_cast<int>(sources.size());
  for (int i = 0; i < total; ++i) {
    if (progress.Cancelled()) {
      outcome.cancelled = true;
      break;
    }
    const std::filesystem::path& source = sources[static_cast<std::size_t>(i)];
    progress.Report(QCoreApplication::translate("zembra", "Importing %1 (%2 of %3)")
                        .arg(QStringFromPath(source.filename()))
                        .arg(i + 1)
                        .arg(total),
                    i, total);
    std::error_code error;
    if (std::filesystem::is_directory(source, error)) {
      outcome.failures.push_back(
          FileError("import", source, "it is a folder, not an audio file").message);
      continue;
    }
    const std::filesystem::path target = FreeSampleName(folder, source);
    Result<VagImportReport> imported = ImportAudioAsVag(source, target);
    if (!imported) {
      outcome.failures.push_back(imported.error().message);
      continue;
    }
    outcome.imported.push_back(target.filename().string());
  }
  progress.Report(QString(), total, total);
  return outcome;
}

}  // namespace zembra
