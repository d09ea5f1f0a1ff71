#include "gui/sample_drag.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDataStream>
#include <QDropEvent>
#include <QIODevice>
#include <QMimeData>
#include <QStringList>
#include <QWidget>

namespace zembra {
namespace {

// Bounds what a malformed drag from another process can make us allocate.
constexpr quint32 kMaxDragItems = 100000;

class SampleDropFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
      return QObject::eventFilter(watched, event);
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    if (data == nullptr || !data->hasFormat(QString::fromLatin1(kSampleMimeType))) {
      return false;
    }
    drop->setDropAction(Qt::IgnoreAction);
    drop->ignore();
    return true;
  }
};

}  // namespace

QMimeData* MakeSampleMimeData(const SampleDrag& drag) {
  QByteArray encoded;
  QDataStream out(&encoded, QIODevice::WriteOnly);
  // The process id tells our own drags from those of another Zembra running
  // beside us, whose track numbers mean nothing here.
  out << qint64(QCoreApplication::applicationPid()) << qint32(drag.origin)
      << quint32(drag.rows.size());
  for (std::size_t row : drag.rows) {
    out << quint32(row);
  }
  out << quint32(drag.texts.size());
  QStringList lines;
  for (const std::string& text : drag.texts) {
    // Names are kept as raw bytes, so a name that is not valid text still
    // reaches the track exactly as the file system spells it.
    out << QByteArray::fromStdString(text);
    lines << QString::fromStdString(text);
  }
  auto* data = new QMimeData();
  data->setData(QString::fromLatin1(kSampleMimeType), encoded);
  data->setText(lines.join(QLatin1Char('\n')));
  return data;
}

std::optional<SampleDrag> ReadSampleMimeData(const QMimeData& data) {
  const QString own_type = QString::fromLatin1(kSampleMimeType);
  if (data.hasFormat(own_type)) {
    QDataStream in(data.data(own_type));
    SampleDrag drag;
    qint64 process = 0;
    qint32 origin = 0;
    quint32 row_count = 0;
    in >> process >> origin >> row_count;
    if (in.status() != QDataStream::Ok || row_count > kMaxDragItems) {
      return std::nullopt;
    }
    drag.origin =
        process == QCoreApplication::applicationPid() ? origin : SampleDrag::kFromElsewhere;
    for (quint32 i = 0; i < row_count; ++i) {
      quint32 row = 0;
      in >> row;
      drag.rows.push_back(row);
    }
    quint32 text_count = 0;
    in >> text_count;
    if (in.status() != QDataStream::Ok || text_count > kMaxDragItems) {
      return std::nullopt;
    }
    for (quint32 i = 0; i < text_count; ++i) {
      QByteArray text;
      in >> text;
      drag.texts.push_back(text.toStdString());
    }
    if (in.status() != QDataStream::Ok) {
      return std::nullopt;
    }
    return drag;
  }
  if (data.hasText()) {
    SampleDrag drag;
    const QStringList lines = data.text().split(QLatin1Char('\n'));
    for (QString line : lines) {
      if (line.endsWith(QLatin1Char('\r'))) {
        line.chop(1);
      }
      if (!line.isEmpty()) {
        drag.texts.push_back(line.toStdString());
      }
    }
    return drag;
  }
  return std::nullopt;
}

void RefuseSampleDrops(QWidget* field) {
  field->installEventFilter(new SampleDropFilter(field));
}

}  // namespace zembra
