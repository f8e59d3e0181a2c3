#pragma once

#include <QString>
#include <QStringList>

class TCDDevice;

// Get CD-Text: the disc's texts into the rip options' album, artist and genre, the tracks' texts
// into the rows of the track list.
namespace cdtext {

// Where the texts go.
class ICDTextTarget {
public:
    virtual ~ICDTextTarget() = default;
    virtual int RowCount() const = 0;
    virtual void SetAlbum(const QString& album) = 0;
    // Also sets the Artist column of every row (the rip options' Artist field does).
    virtual void SetArtist(const QString& artist) = 0;
    // The genre names the genre selection offers, in order.
    virtual QStringList GenreNames() const = 0;
    virtual void SelectGenre(int index) = 0;
    virtual void SetRowTitle(int row, const QString& title) = 0;
    virtual void SetRowArtist(int row, const QString& artist) = 0;
};

// CD-Text kinds (pack type - 0x80).
inline constexpr int KindTitle = 0;
inline constexpr int KindPerformer = 1;
inline constexpr int KindGenre = 7;

// The first entry equal to `genre` (exact, case-sensitive), -1 when none is.
int GenreIndexFor(const QStringList& genres, const QString& genre);

// Fills `target` from an open device. A track without title gets "TrackNN"; a disc without
// album or performer text empties those fields; a genre no entry equals leaves the selection.
void ApplyCDText(const TCDDevice& device, ICDTextTarget& target);

} // namespace cdtext
