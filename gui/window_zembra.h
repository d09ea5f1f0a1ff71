#pragma once

#include <QMainWindow>

#include <array>
#include <cstddef>
#include <filesystem>
#include <set>
#include <vector>

#include "gui/sample_drag.h"
#include "song/sheet_history.h"
#include "song/song_sheet.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace zembra {

class MenuBar1;
class PoolList;
class SamplePreview;
class TrackList;

// The main window. It holds the song sheet and keeps its controls in step with
// it; each gesture is one handler that runs one operation of the sheet, and
// the commands (load a folder, create the song) run the core and report its
// failures through the application's dialog service.
class WindowZembra : public QMainWindow {
  Q_OBJECT

 public:
  // The open main window, made (and shown) when there is none.
  static WindowZembra* Instance();
  // The open main window, or null.
  static WindowZembra* Existing();

  ~WindowZembra() override;

  const SongSheet& sheet() const { return sheet_; }

  PoolList* lstFiles() const { return lstFiles_; }
  QPushButton* btnLoad() const { return btnLoad_; }
  QPushButton* btnSave() const { return btnSave_; }
  QTabWidget* tabPages() const { return tabPages_; }
  QLineEdit* txtAUTH() const { return txtAUTH_; }
  QLineEdit* txtNAME() const { return txtNAME_; }
  QLineEdit* txtBPM() const { return txtBPM_; }
  TrackList* lstTrack(std::size_t index) const { return lstTrack_.at(index); }
  QLineEdit* txtTrack(std::size_t index) const { return txtTrack_.at(index); }
  QLineEdit* txtPage(std::size_t index) const { return txtPage_.at(index); }

  // The commands. Each runs to its end, showing its own dialogs and messages.
  void GetGoodVAGs();
  void WriteBJS();

  // Opens a song (.bjs) or a song description (.json) as the sheet, its
  // samples found or written beside it. A failure is shown and leaves the
  // sheet as it was. True when the song was opened.
  bool OpenSong(const std::filesystem::path& file);
  // Asks where to and writes the sheet as a song description.
  void SaveSheet();
  // Steps back and forth through the sheet's gestures and field edits.
  void UndoSheet();
  void RedoSheet();
  // Where the sheet was last opened from or saved to (a song's description
  // beside the song); empty at first.
  const std::filesystem::path& sheet_file() const { return sheet_file_; }

  // The menu commands of this window; true when handled.
  bool _FileOpenSong_Action();
  bool _FileSaveSheet_Action();
  bool _EditUndo_Action();
  bool _EditRedo_Action();
  bool _FileSelectVAGFolder_Action();
  bool _FileCreateBJS_Action();
  bool _ToolsPatchVAGFiles_Action();
  bool _FileImportAudio_Action();

  // Makes each audio file a sample in the working folder, then shows the
  // rescanned pool with the new samples selected.
  void ImportAudioFiles(const std::vector<std::filesystem::path>& files);
  // Makes `folder` the working folder and shows its samples.
  void LoadFolder(const std::filesystem::path& folder);
  SamplePreview* samplePreview() const { return preview_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  WindowZembra();

  void Layout();
  void CreateControls();
  void CreatePage(std::size_t page);
  void PlacePageControls();
  void AddMenuHandlers();

  void btnLoad_Action();
  void btnSave_Action();
  SampleDrag lstFiles_DragRow(const std::set<std::size_t>& rows) const;
  SampleDrag lstTrack_DragRows(int index, const std::set<std::size_t>& rows) const;
  bool lstTrack_CanDrop(int index, const SampleDrag& drag) const;
  void lstTrack_DropObject(int index, const SampleDrag& drag, std::size_t before_row);
  void lstTrack_KeyDown(int index, int key);
  void txtPage_TextChange(int index, const QString& text);

  void ShowTrack(std::size_t index);
  // Shows every field of the sheet in its control.
  void ShowSheet();
  // Records what changed since the last step as one step. Run before and
  // after each gesture and when a field's edit ends, so typing into one field
  // is one step and a gesture another.
  void Settle();

  // Hearing, seeing and importing samples (window_zembra_sound.cpp).
  void AttachSampleTools();
  void lstFiles_DropFiles(const std::vector<std::filesystem::path>& paths);
  std::filesystem::path SampleFileOf(const QListWidget* list, int row) const;

  // Keyboard placement of samples (window_zembra_placement.cpp).
  void CreatePlacementActions();
  std::size_t ShownPageTrack(std::size_t offset) const;
  QString PlacementCaption(std::size_t offset) const;
  void lstFiles_ContextMenu(const QPoint& pos);
  void lstFiles_AddToTrack(std::size_t track);

  SongSheet sheet_;
  SheetHistory history_;
  SheetContent settled_ = SheetContent::Of(sheet_);
  std::filesystem::path sheet_file_;
  SamplePreview* preview_ = nullptr;
  PoolList* lstFiles_ = nullptr;
  QPushButton* btnLoad_ = nullptr;
  QTabWidget* tabPages_ = nullptr;
  QLineEdit* txtAUTH_ = nullptr;
  QLineEdit* txtNAME_ = nullptr;
  QLineEdit* txtBPM_ = nullptr;
  QPushButton* btnSave_ = nullptr;
  std::array<TrackList*, kTrackCount> lstTrack_{};
  std::array<QLineEdit*, kTrackCount> txtTrack_{};
  std::array<QLineEdit*, kPageCount> txtPage_{};
};

}  // namespace zembra
