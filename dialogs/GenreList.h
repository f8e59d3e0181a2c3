#pragma once

#include <QStringList>

// The genre list of the rip options: ID3v1 genres 0 to 79 and the extension genres 80 to 147 in
// the standard order; an entry's position is the genre number written into MP3 files.
namespace genres {

inline constexpr int GenreCount = 148;
inline constexpr int GenreOther = 12;

const QStringList& GenreNames();

} // namespace genres
