#pragma once

#include <QString>

namespace ParcelKit {

// Texts a server chose (error messages of the service and of the storage) made fit to show:
// one line without control or direction-changing characters, at most `maxLength` characters.
// A hostile answer can then neither forge lines of a terminal or notice nor flood it.
namespace ServerText {

inline constexpr qsizetype maxLength = 300;

QString clean(const QString& text);

} // namespace ServerText

} // namespace ParcelKit
