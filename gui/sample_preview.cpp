#include "gui/sample_preview.h"

#include <QBuffer>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QToolTip>
#include <QUrl>

#include "gui/dialog_service.h"
#include "gui/sample_player.h"
#include "gui/waveform_cache.h"
#include "gui/zembra_app.h"

namespace zembra {
namespace {

QString Escaped(const std::filesystem::path& file) {
  return QStringFromPath(file.filename()).toHtmlEscaped();
}

QString PngDataUrl(const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

QString Duration(double seconds) {
  if (seconds < 60) {
    return QStringLiteral("%1 s").arg(seconds, 0, 'f', 2);
  }
  const int whole = static_cast<int>(seconds);
  return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

SamplePreview::SamplePreview(FileOfRow file_of_row, QObject* parent)
    : QObject(parent), file_of_row_(std::move(file_of_row)) {
  connect(&Waveforms(), &WaveformCache::Ready, this, &SamplePreview::SketchReady);
}

void SamplePreview::Watch(QListWidget* list) {
  list->installEventFilter(this);
  list->viewport()->installEventFilter(this);
}

QString SamplePreview::TipText(const std::filesystem::path& file, const SampleSketch* sketch) {
  if (sketch == nullptr) {
    return tr("<b>%1</b><br>Reading\u2026").arg(Escaped(file));
  }
  if (sketch->waveform.isNull()) {
    return tr("<b>%1</b><br>%2").arg(Escaped(file), sketch->error.toHtmlEscaped());
  }
  return tr("<b>%1</b><br><img src=\"%2\"><br>%3 \u00B7 %4 Hz \u00B7 %5")
      .arg(Escaped(file), PngDataUrl(sketch->waveform), Duration(sketch->seconds))
      .arg(sketch->sample_rate)
      .arg(QLocale().formattedDataSize(static_cast<qint64>(sketch->file_size)));
}

std::filesystem::path SamplePreview::FileAt(const QListWidget* list, int row) const {
  if (row < 0 || row >= list->count()) {
    return {};
  }
  return file_of_row_(list, row);
}

void SamplePreview::AddItems(QMenu* menu, QListWidget* list, int row) {
  if (row < 0) {
    row = list->currentRow();
  }
  const std::filesystem::path file = FileAt(list, row);
  QPointer<QListWidget> guard(list);
  QAction* play = menu->addAction(tr("Play"));
  play->setObjectName(QStringLiteral("SamplePlay"));
  play->setShortcut(Qt::Key_Space);
  play->setEnabled(!file.empty());
  connect(play, &QAction::triggered, this, [guard, file] { Player().Play(guard, file); });
  QAction* stop = menu->addAction(tr("Stop"));
  stop->setObjectName(QStringLiteral("SampleStop"));
  stop->setShortcut(Qt::Key_Escape);
  stop->setEnabled(Player().playing());
  connect(stop, &QAction::triggered, this, [] { Player().Stop(); });
  QAction* show = menu->addAction(tr("Show in Folder"));
  show->setObjectName(QStringLiteral("SampleShowInFolder"));
  show->setEnabled(!file.empty());
  connect(show, &QAction::triggered, this,
          [guard, file] { App().dialogs().ShowInFolder(guard, file); });
}

bool SamplePreview::eventFilter(QObject* watched, QEvent* event) {
  auto* list = qobject_cast<QListWidget*>(watched);
  if (list == nullptr && watched->parent() != nullptr) {
    list = qobject_cast<QListWidget*>(watched->parent());
    if (list != nullptr && list->viewport() != watched) {
      list = nullptr;
    }
  }
  if (list == nullptr) {
    return false;
  }
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->modifiers() != Qt::NoModifier) {
        return false;
      }
      if (key->key() == Qt::Key_Space) {
        const std::filesystem::path file = FileAt(list, list->currentRow());
        if (!file.empty()) {
          Player().Toggle(list, file);
        }
        return true;
      }
      if (key->key() == Qt::Key_Escape && Player().playing()) {
        Player().Stop();
        return true;
      }
      return false;
    }
    case QEvent::ToolTip: {
      const auto* help = static_cast<QHelpEvent*>(event);
      return ShowTip(list, help->pos(), help->globalPos());
    }
    case QEvent::ContextMenu: {
      // A list with a menu of its own adds these items to it.
      if (watched != list->viewport() || list->contextMenuPolicy() != Qt::DefaultContextMenu) {
        return false;
      }
      const auto* context = static_cast<QContextMenuEvent*>(event);
      auto* menu = new QMenu(list);
      menu->setObjectName(QStringLiteral("SampleMenu"));
      menu->setAttribute(Qt::WA_DeleteOnClose);
      AddItems(menu, list, list->indexAt(context->pos()).row());
      menu->popup(context->globalPos());
      return true;
    }
    default:
      return false;
  }
}

bool SamplePreview::ShowTip(QListWidget* list, const QPoint& pos, const QPoint& global) {
  const int row = list->indexAt(pos).row();
  const std::filesystem::path file = FileAt(list, row);
  if (file.empty()) {
    QToolTip::hideText();
    tip_list_.clear();
    return true;
  }
  const SampleSketch* sketch = Waveforms().Find(file);
  tip_list_ = list;
  tip_row_ = row;
  tip_global_ = global;
  tip_file_ = file;
  QToolTip::showText(global, TipText(file, sketch), list->viewport(),
                     list->visualItemRect(list->item(row)));
  return true;
}

void SamplePreview::SketchReady(const QString& file) {
  // The tip still shows the row whose sketch has just been worked out.
  if (tip_list_.isNull() || !QToolTip::isVisible() || PathFromQString(file) != tip_file_ ||
      FileAt(tip_list_, tip_row_) != tip_file_) {
    return;
  }
  QToolTip::showText(tip_global_, TipText(tip_file_, Waveforms().Find(tip_file_)),
                     tip_list_->viewport(), tip_list_->visualItemRect(tip_list_->item(tip_row_)));
}

}  // namespace zembra
