#include "app/yarvelin_app.h"

#include <optional>

#include "app/settings_names.h"
#include "app/settings_store.h"
#include "records/builtin_lists.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

// No merchant keeps this many names of their own; a larger count comes from a damaged file.
constexpr int kMaxListEntries = 10000;

void ReadList(const SettingsStore& store, const settings::Number& count,
              const IndexedSetting<std::string>& entries, std::vector<std::string>& list) {
    const int stored = count.Read(store);
    if (stored > kMaxListEntries) {
        // Reading two billion entries would hang the start; take the entries the file really holds,
        // up to the bound.
        for (int i = 0; i < kMaxListEntries; ++i) {
            std::optional<std::string> entry = ReadIfPresent(entries, store, i);
            if (!entry) {
                break;
            }
            list.push_back(std::move(*entry));
        }
        return;
    }
    for (int i = 0; i < stored; ++i) {
        list.push_back(entries.Read(store, i));
    }
}

void WriteList(SettingsStore& store, const settings::Number& count,
               const IndexedSetting<std::string>& entries, const std::vector<std::string>& list) {
    count.Write(store, static_cast<std::int32_t>(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i) {
        entries.Write(store, static_cast<int>(i), list[i]);
    }
}

}  // namespace

CYarvelinApp::CYarvelinApp()
    : m_builtinCategories(yarvelin::BuiltinCategories()),
      m_builtinColors(yarvelin::BuiltinColors()),
      m_builtinSizes(yarvelin::BuiltinSizes()),
      m_currencies(CurrencyCodes()) {}

void CYarvelinApp::LoadSettings(const SettingsStore& store) {
    ReadList(store, settings::kCategoryCount, settings::kCategories, m_categories);
    ReadList(store, settings::kSizeCount, settings::kSizes, m_sizes);
    ReadList(store, settings::kColorCount, settings::kColors, m_colors);
    for (int i = 0; i < kDefaultValueCount; ++i) {
        m_defaults[static_cast<std::size_t>(i)] = settings::kDefaults.Read(store, i + 1);
    }
    m_bNoExpiryDate = settings::kExpiryDate.Read(store) != 0;
    m_bAlwaysInStock = settings::kInStock.Read(store) != 0;
    m_bAutoGenOfferId = settings::kAutoGenOfferId.Read(store) != 0;
    m_recentFeeds.ReadList(store, settings::kRecentFeeds);
    m_document.SetAccount(settings::kAccount.Read(store));
}

void CYarvelinApp::SaveSettings(SettingsStore& store) const {
    m_recentFeeds.WriteList(store, settings::kRecentFeeds);
    WriteList(store, settings::kCategoryCount, settings::kCategories, m_categories);
    WriteList(store, settings::kSizeCount, settings::kSizes, m_sizes);
    WriteList(store, settings::kColorCount, settings::kColors, m_colors);
    settings::kAccount.Write(store, m_document.Account());
    for (int i = 0; i < kDefaultValueCount; ++i) {
        settings::kDefaults.Write(store, i + 1, m_defaults[static_cast<std::size_t>(i)]);
    }
    settings::kExpiryDate.Write(store, m_bNoExpiryDate ? 1 : 0);
    settings::kInStock.Write(store, m_bAlwaysInStock ? 1 : 0);
    settings::kAutoGenOfferId.Write(store, m_bAutoGenOfferId ? 1 : 0);
    store.Flush();
}

void CYarvelinApp::ExitInstance(SettingsStore& store) {
    SaveSettings(store);
    m_categories.clear();
    m_sizes.clear();
    m_colors.clear();
    m_document.RemoveAllRecords();
}

FeedLoadResult CYarvelinApp::OpenFeed(const std::string& path, CFeedFileObserver& observer) {
    const FeedLoadResult result = LoadFeedFile(m_document, path, observer);
    if (result.opened && !m_sampleFeeds.ContainsExactly(path)) {
        m_recentFeeds.Add(path);
    }
    return result;
}

bool CYarvelinApp::SaveFeed(const std::string& path, const FeedHeaderChoices& choices,
                            CFeedFileObserver& observer) {
    if (!WriteFeedFile(m_document, path, choices, observer)) {
        return false;
    }
    m_document.NoteFeedFileWritten(path, choices);
    m_recentFeeds.Add(path);
    return true;
}

bool CYarvelinApp::SaveBackup(const std::string& path, const FeedHeaderChoices& choices,
                              CFeedFileObserver& observer) {
    if (!WriteFeedFile(m_document, path, choices, observer)) {
        return false;
    }
    m_document.NoteBackupWritten(path);
    m_recentFeeds.Add(path);
    return true;
}

}  // namespace yarvelin
