#pragma once

#include "core/Version.h"

// The product's fixed data.
namespace core::product {

inline constexpr const char* Name = "Platterly";
inline constexpr const char* Version = PLATTERLY_VERSION;
inline constexpr const char* HomePage = "https://platterly.org/";
inline constexpr const char* OnlineResources = "https://platterly.org/resources/";
inline constexpr const char* SupportAddress = "support@platterly.org";

} // namespace core::product
