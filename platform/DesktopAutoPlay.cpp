#include "platform/DesktopAutoPlay.h"

#include <gio/gio.h>
#include <memory>

namespace platform {

namespace {

constexpr const char* SchemaId = "org.gnome.desktop.media-handling";

struct GObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
using SettingsPtr = std::unique_ptr<GSettings, GObjectUnref>;

// Only when the schema exists: g_settings_new aborts the process on an unknown schema.
SettingsPtr openSettings() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return nullptr;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, SchemaId, TRUE);
    if (!schema)
        return nullptr;
    const bool complete = g_settings_schema_has_key(schema, "automount") &&
                          g_settings_schema_has_key(schema, "automount-open") &&
                          g_settings_schema_has_key(schema, "autorun-never");
    g_settings_schema_unref(schema);
    if (!complete)
        return nullptr;
    return SettingsPtr(g_settings_new(SchemaId));
}

} // namespace

std::optional<bool> DesktopAutoPlayEnabled() {
    auto settings = openSettings();
    if (!settings)
        return std::nullopt;
    return g_settings_get_boolean(settings.get(), "automount") &&
           !g_settings_get_boolean(settings.get(), "autorun-never");
}

bool SetDesktopAutoPlay(bool on) {
    auto settings = openSettings();
    if (!settings)
        return false;
    bool ok = g_settings_set_boolean(settings.get(), "automount", on);
    ok = g_settings_set_boolean(settings.get(), "automount-open", on) && ok;
    ok = g_settings_set_boolean(settings.get(), "autorun-never", !on) && ok;
    g_settings_sync();
    return ok;
}

} // namespace platform
