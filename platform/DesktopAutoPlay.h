#pragma once

#include <optional>

namespace platform {

// The desktop's media automount/autorun switch (GSettings schema
// org.gnome.desktop.media-handling). Nothing when the schema is not installed.
std::optional<bool> DesktopAutoPlayEnabled();

// Turns the switch on or off. False when the schema is missing or the setting can't be written.
bool SetDesktopAutoPlay(bool on);

} // namespace platform
