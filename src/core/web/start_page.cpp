#include "core/web/start_page.h"

#include "core/config/global_stores.h"
#include "core/config/text_format.h"
#include "core/config/text_ids.h"
#include "core/search/search_context.h"
#include "core/search/search_list.h"
#include "core/services/service_registry.h"
#include "core/sharing/shared_items.h"
#include "core/transfers/transfer_list.h"

namespace kp {
namespace {

std::string Text(TTextId text, TSimpleConfig& language) { return EscapeHtml(GetLanguageText(text, language)); }

// A language text with one "%d"; a translation whose placeholder does not fit
// shows the number alone.
std::string Counted(TTextId text, std::int64_t count, TSimpleConfig& language) {
  return EscapeHtml(FormatWithNumber(GetLanguageText(text, language), count).value_or(std::to_string(count)));
}

// One card: a heading, a big number with its words, and a smaller line below.
std::string Card(const std::string& heading, std::int64_t big, const std::string& words, const std::string& small,
                 const TStartPageColors& colors) {
  std::string html = "<td width=\"25%\" style=\"background-color:" + colors.Card + "; padding:12px;\">";
  html += "<div style=\"color:" + colors.Muted + ";\">" + heading + "</div>";
  html += "<div style=\"font-size:xx-large; color:" + colors.Accent + ";\">" + std::to_string(big) + "</div>";
  html += "<div>" + words + "</div>";
  html += "<div style=\"color:" + colors.Muted + ";\">" + small + "</div></td>";
  return html;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) escaped += c;
    }
  }
  return escaped;
}

TStartPageFacts GatherStartPageFacts(const TServiceRegistry& services, const TSearchList& searches,
                                     const TTransferList& downloads, const TTransferList& uploads,
                                     const TSharedItemList& shared) {
  TStartPageFacts facts;
  for (const TServiceHolder* service : services.Services()) {
    facts.Services.push_back({service->description, service->online});
  }
  facts.OpenSearches = static_cast<std::int64_t>(searches.Searches().size());
  for (const TSearchContext* search : searches.Searches()) facts.SearchesRunning += search->Searching() ? 1 : 0;
  facts.DownloadsRunning = downloads.Active().Count();
  facts.DownloadsWaiting = downloads.Queue().Count();
  facts.UploadsRunning = uploads.Active().Count();
  facts.UploadsWaiting = uploads.Queue().Count();
  for (std::size_t i = 0; i < shared.Count(); ++i) {
    (shared.ItemAt(i).IsFolder ? facts.SharedFolders : facts.SharedFiles) += 1;
  }
  return facts;
}

std::string StartPageHtml(const TStartPageFacts& facts, std::string_view applicationName,
                          const TStartPageColors& colors, TSimpleConfig& language) {
  std::string html = "<html><body style=\"color:" + colors.Text + ";\">";
  const std::string name(applicationName);
  const std::string welcome = FormatWithText(GetLanguageText(text::kStartWelcome, language), name).value_or(name);
  html += "<h1 style=\"font-weight:normal;\">" + EscapeHtml(welcome) + "</h1>";

  html += "<h3>" + Text(text::kStartNetworks, language) + "</h3>";
  if (facts.Services.empty()) {
    html += "<p style=\"color:" + colors.Muted + ";\">" + Text(text::kStartNoNetwork, language) + "</p>";
  } else {
    html += "<table cellspacing=\"4\">";
    for (const TStartPageFacts::TService& service : facts.Services) {
      const std::string& dot = service.Online ? colors.Online : colors.Muted;
      html += "<tr><td style=\"color:" + dot + ";\">&#9679;</td><td>" + EscapeHtml(service.Name) +
              "</td><td style=\"color:" + colors.Muted + ";\">&nbsp;" +
              Text(service.Online ? text::kStartOnline : text::kStartOffline, language) + "</td></tr>";
    }
    html += "</table>";
  }

  html += "<p></p><table width=\"100%\" cellspacing=\"10\"><tr>";
  html += Card(Text(text::kStartSearches, language), facts.OpenSearches, Text(text::kStartOpenWords, language),
               Counted(text::kStartSearching, facts.SearchesRunning, language), colors);
  html += Card(Text(text::kStartDownloads, language), facts.DownloadsRunning,
               Text(text::kStartRunningWords, language), Counted(text::kStartWaiting, facts.DownloadsWaiting, language),
               colors);
  html += Card(Text(text::kStartUploads, language), facts.UploadsRunning, Text(text::kStartRunningWords, language),
               Counted(text::kStartWaiting, facts.UploadsWaiting, language), colors);
  html += Card(Text(text::kStartShared, language), facts.SharedFolders, Text(text::kStartFoldersWords, language),
               Counted(text::kStartFiles, facts.SharedFiles, language), colors);
  html += "</tr></table></body></html>";
  return html;
}

}  // namespace kp
