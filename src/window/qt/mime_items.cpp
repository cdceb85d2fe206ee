#include "window/qt/mime_items.h"

#include <QImage>
#include <QMimeData>
#include <QUrl>

#include "window/core/window_texts.h"
#include "window/qt/qt_picture_decoder.h"

namespace scrivlet {

DroppedItems ItemsOf(const QMimeData& data) {
  DroppedItems items;
  const QByteArray list = data.data(QStringLiteral("text/uri-list"));
  for (const QByteArray& line : list.split('\n')) {
    const QByteArray entry = line.trimmed();
    if (!entry.isEmpty() && !entry.startsWith('#')) {
      items.uris.emplace_back(entry.constData(),
                              static_cast<std::size_t>(entry.size()));
    }
  }
  if (items.uris.empty()) {
    for (const QUrl& url : data.urls()) {
      items.uris.push_back(url.toEncoded().toStdString());
    }
  }
  return items;
}

PastedData PastedOf(const QMimeData& data) {
  PastedData pasted;
  pasted.items = ItemsOf(data);
  if (pasted.items.uris.empty() && data.hasImage()) {
    pasted.picture.picture = ToPicture(qvariant_cast<QImage>(data.imageData()));
    // Offered but not decoded: broken, as the same picture dropped would be.
    if (pasted.picture.picture.empty()) {
      pasted.picture.problem = texts::kDropBroken;
    }
  }
  return pasted;
}

}  // namespace scrivlet
