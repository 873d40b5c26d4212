#pragma once
// Where users reach the project: the support mail address and the home page.
// The About page links to both; the support report is mailed to the first.
namespace orvanta {

inline constexpr const char* kSupportEmail = "support@orvanta.org";
inline constexpr const char* kHomePageText = "www.orvanta.org";  // as the About page shows it
inline constexpr const char* kHomePageUrl = "https://www.orvanta.org/";

}  // namespace orvanta
