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

    // Writes the document to path as the file the service gets: that file is what an upload sends, and it
    // joins the recent feeds. The document keeps its own name and its changed flag. False (after
    // reporting through observer) when nothing was written.
    bool SaveFeed(const std::string& path, const FeedHeaderChoices& choices, CFeedFileObserver& observer);
    // Writes the document to path as a backup: the file becomes the feed's own, holds every edit, and joins
    // the recent feeds.
    bool SaveBackup(const std::string& path, const FeedHeaderChoices& choices, CFeedFileObserver& observer);

    CFeedDocument& Document() { return m_document; }
    const CFeedDocument& Document() const { return m_document; }

    // The user's option lists (edited on the options sheet) and the built-in ones.
    std::vector<std::string>& Categories() { return m_categories; }
    const std::vector<std::string>& Categories() const { return m_categories; }
    std::vector<std::string>& Sizes() { return m_sizes; }
    const std::vector<std::string>& Sizes() const { return m_sizes; }
    std::vector<std::string>& Colors() { return m_colors; }
    const std::vector<std::string>& Colors() const { return m_colors; }
    const std::vector<std::string>& BuiltinCategories() const { return m_builtinCategories; }
    const std::vector<std::string>& BuiltinColors() const { return m_builtinColors; }
    const std::vector<std::string>& BuiltinSizes() const { return m_builtinSizes; }
    const std::vector<std::string>& Currencies() const { return m_currencies; }
    // The default values of a new product ("Def1" .. "Def11", see DefaultIndex) and the three choices.
    std::array<std::string, kDefaultValueCount>& Defaults() { return m_defaults; }
    const std::array<std::string, kDefaultValueCount>& Defaults() const { return m_defaults; }
    bool NoExpiryDate() const { return m_bNoExpiryDate; }
    void SetNoExpiryDate(bool on) { m_bNoExpiryDate = on; }
    bool AlwaysInStock() const { return m_bAlwaysInStock; }
    void SetAlwaysInStock(bool on) { m_bAlwaysInStock = on; }
    bool AutoGenOfferId() const { return m_bAutoGenOfferId; }
    void SetAutoGenOfferId(bool on) { m_bAutoGenOfferId = on; }
    CRecentFileList& RecentFeeds() { return m_recentFeeds; }
    const CRecentFileList& RecentFeeds() const { return m_recentFeeds; }
    CRecentFileList& SampleFeeds() { return m_sampleFeeds; }
    const CRecentFileList& SampleFeeds() const { return m_sampleFeeds; }

  private:
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
