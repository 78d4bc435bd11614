// Share links of the cloud-storage service: resolving a link into a direct URL on a
// mirror of the user's carrier class, with the public-address and carrier lookups it
// needs. Texts are GBK.
#pragma once

#include <string>
#include <string_view>

namespace tv {

// 1 = the telecom carrier, 2 = any other network; 0 passed to ResolveShareLink means 1.
using CarrierClass = int;
inline constexpr CarrierClass kCarrierTelecom = 1;
inline constexpr CarrierClass kCarrierOther = 2;

struct ShareFileInfo {
  std::string name;
  std::string telecomUrl;
  std::string otherUrl;
  std::string size;
  std::string sha1;
};

// Host (and port) of each of the four services the share-link path asks.
struct ShareServiceHosts {
  std::string publicAddress;  // the user's public address and city
  std::string geolocation;    // the carrier of an address
  std::string resolver;       // the link resolver
  std::string linkApi;        // the cloud-storage service's link API
};
ShareServiceHosts DefaultServiceHosts();
ShareServiceHosts CurrentServiceHosts();
// For tests: point the services elsewhere (a loopback server). Not thread-safe against
// lookups running at the same time.
void SetServiceHostsForTests(const ShareServiceHosts& hosts);

// The host-and-path fragment that marks a task's link as a share link.
std::string_view ShareLinkMarker();
// The host part of that marker; a text containing it is a link, else a pick code.
std::string_view ShareLinkHost();
// True when `link` contains the share-link marker.
bool IsShareLink(std::string_view link);

// The extension with its dot (".zip", ".7z"), or empty.
std::string FileExtension(const std::string& fileName);
// Decodes the services' escaped texts: string-literal escapes, "\uXXXX", "%uXXXX" and
// "%XX", into GBK. A line break other than CR LF (or a leading CR) gives an empty text.
std::string UnescapeJs(const std::string& text);

// The public address; the city goes to `city`. Empty when the service fails.
std::string LookupPublicAddress(std::string& city);
// kCarrierTelecom when the geolocation answer for `address` names the telecom carrier,
// else kCarrierOther. The carrier name and the location are written when asked for.
CarrierClass LookupCarrier(const std::string& address, std::string* carrierName = nullptr,
                           std::string* location = nullptr);
// Asks the resolver and the link API for `pickCode`; fills `info` and gives the direct
// URL chosen for `cls`, or empty when the answer holds none.
std::string FetchShareFileInfo(CarrierClass cls, const std::string& pickCode, ShareFileInfo& info);
// A share link or a pick code into a direct URL, or "-1". `fileName` and `extension`
// are written only on success.
std::string ResolveShareLink(const std::string& linkOrCode, CarrierClass cls, std::string& fileName,
                             std::string& extension);

}  // namespace tv
