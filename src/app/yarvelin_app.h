// The application object: everything that lives for the whole run.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/feed_document.h"
#include "app/recent_file_list.h"
#include "feed/feed_file.h"

namespace yarvelin {

class SettingsStore;

inline constexpr int kRecentFeedCapacity = 5;
inline constexpr int kSampleFeedCapacity = 3;
inline constexpr int kDefaultValueCount = 11;

// Indexes into m_defaults ("Def1" .. "Def11").
enum DefaultIndex {
    kDefProductUrl = 0,
    kDefImageUrl,
    kDefCategory,
    kDefPrice,
    kDefShipping,
    kDefProductId,
    kDefManufacturerId,
    kDefUpc,
    kDefColor,
    kDefSize,
    kDefBrand,
};

class CYarvelinApp {
  public:
    // Fills the built-in lists; option lists, defaults and the document start empty.
    CYarvelinApp();

    // Reads the option lists, defaults, the three choices, the recent feeds and the account.
    void LoadSettings(const SettingsStore& store);
    // Writes the recent feeds, option lists, account and defaults. The three choices are written too,
    // so that a change on the Default Values page outlives the run.
    void SaveSettings(SettingsStore& store) const;
    // Exit sequence: settings written, then lists and records let go.
    void ExitInstance(SettingsStore& store);

    // Opens the feed file at path into the document. A file that could be opened joins the recent feeds
    // (even when it then turns out empty), unless it is one of the samples.
    FeedLoadResult OpenFeed(const std::string& path, CFeedFileObserver& observer);

    CFeedDocument m_document;
    std::vector<std::string> m_categories;
    std::vector<std::string> m_sizes;
    std::vector<std::string> m_colors;
    std::vector<std::string> m_builtinCategories;
    std::vector<std::string> m_builtinColors;
    std::vector<std::string> m_builtinSizes;
    std::vector<std::string> m_currencies;
    std::array<std::string, kDefaultValueCount> m_defaults;
    bool m_bNoExpiryDate = true;
    bool m_bAlwaysInStock = true;
    bool m_bAutoGenOfferId = true;
    CRecentFileList m_recentFeeds{kRecentFeedCapacity};
    CRecentFileList m_sampleFeeds{kSampleFeedCapacity};
};

}  // namespace yarvelin
