#pragma once

// The product's fixed data.
namespace app::product {

inline constexpr const char* Name = "Platterly";
#ifdef PLATTERLY_VERSION
inline constexpr const char* Version = PLATTERLY_VERSION;
#else
inline constexpr const char* Version = "0.0.0";
#endif
inline constexpr const char* HomePage = "https://platterly.org/";
inline constexpr const char* OnlineResources = "https://platterly.org/resources/";
inline constexpr const char* SupportAddress = "support@platterly.org";

} // namespace app::product
