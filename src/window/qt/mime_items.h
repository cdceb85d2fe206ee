#pragma once

// What a drop or a paste hands over, read from its MIME data.

#include "window/core/form1_view.h"

class QMimeData;

namespace scrivlet {

// The entries of a text/uri-list, as raw bytes: QUrl would turn a file name
// that is not UTF-8 into replacement characters.
DroppedItems ItemsOf(const QMimeData& data);

// Files as a drop names them; a picture only when no file is named.
PastedData PastedOf(const QMimeData& data);

}  // namespace scrivlet
