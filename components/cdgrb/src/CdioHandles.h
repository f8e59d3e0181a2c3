#pragma once

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <memory>

// Owners of the libcdio and paranoia handles. A cdda handle made with cdio_cddap_identify_cdio
// does not own its CdIo_t: the disc keeps that, so the order of release is paranoia, cdda, cdio.
namespace cdgrb {

struct CdioCloser {
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};
struct CddaCloser {
    void operator()(cdrom_drive_t* d) const { cdio_cddap_close_no_free_cdio(d); }
};
struct ParanoiaCloser {
    void operator()(cdrom_paranoia_t* p) const { cdio_paranoia_free(p); }
};

using CdioPtr = std::unique_ptr<CdIo_t, CdioCloser>;
using CddaPtr = std::unique_ptr<cdrom_drive_t, CddaCloser>;
using ParanoiaPtr = std::unique_ptr<cdrom_paranoia_t, ParanoiaCloser>;

} // namespace cdgrb
