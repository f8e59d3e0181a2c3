#include "jobs/CDTextList.h"

#include "jobs/RipJob.h"
#include "jobs/TCDGrabber.h"

namespace cdtext {

int GenreIndexFor(const QStringList& genres, const QString& genre) {
    return genres.indexOf(genre);
}

void ApplyCDText(const TCDDevice& device, ICDTextTarget& target) {
    auto text = [&device](int track, int kind) {
        return QString::fromStdString(device.GetCDText(track, kind));
    };
    target.SetAlbum(text(0, KindTitle));
    target.SetArtist(text(0, KindPerformer));
    const QString genre = text(0, KindGenre);
    const int index = genre.isEmpty() ? -1 : GenreIndexFor(target.GenreNames(), genre);
    if (index >= 0)
        target.SelectGenre(index);
    for (int row = 0; row < target.RowCount(); ++row) {
        QString title = text(row + 1, KindTitle);
        if (title.isEmpty())
            title = rip::DefaultTrackTitle(row + 1);
        target.SetRowTitle(row, title);
        target.SetRowArtist(row, text(row + 1, KindPerformer));
    }
}

} // namespace cdtext
