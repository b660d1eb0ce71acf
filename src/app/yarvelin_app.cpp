#include "app/yarvelin_app.h"

#include "app/settings_names.h"
#include "app/settings_store.h"
#include "records/builtin_lists.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

// No merchant keeps this many names of their own; a larger count comes from a damaged file.
constexpr int kMaxListEntries = 10000;

void ReadList(const SettingsStore& store, const char* countName, const char* entryFmt,
              std::vector<std::string>& list) {
    const int count = store.GetInt(settings::kSectionData, countName, 0);
    if (count > kMaxListEntries) {
        // Reading two billion entries would hang the start; take the entries the file really holds,
        // up to the bound.
        const std::string missing("\x01");
        for (int i = 0; i < kMaxListEntries; ++i) {
            std::string entry = store.GetString(settings::kSectionData, Format(entryFmt, i), missing);
            if (entry == missing) {
                break;
            }
            list.push_back(std::move(entry));
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        list.push_back(store.GetString(settings::kSectionData, Format(entryFmt, i)));
    }
}

void WriteList(SettingsStore& store, const char* countName, const char* entryFmt,
               const std::vector<std::string>& list) {
    store.WriteInt(settings::kSectionData, countName, static_cast<std::int32_t>(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i) {
        store.WriteString(settings::kSectionData, Format(entryFmt, static_cast<int>(i)), list[i]);
    }
}

}  // namespace

CYarvelinApp::CYarvelinApp()
    : m_builtinCategories(yarvelin::BuiltinCategories()),
      m_builtinColors(yarvelin::BuiltinColors()),
      m_builtinSizes(yarvelin::BuiltinSizes()),
      m_currencies(CurrencyCodes()) {}

void CYarvelinApp::LoadSettings(const SettingsStore& store) {
    ReadList(store, settings::kCategoryCount, settings::kCategoryFmt, m_categories);
    ReadList(store, settings::kSizeCount, settings::kSizeFmt, m_sizes);
    ReadList(store, settings::kColorCount, settings::kColorFmt, m_colors);
    for (int i = 0; i < kDefaultValueCount; ++i) {
        m_defaults[static_cast<std::size_t>(i)] =
            store.GetString(settings::kSectionDefaults, Format(settings::kDefaultFmt, i + 1));
    }
    m_bNoExpiryDate = store.GetInt(settings::kSectionDefaults, settings::kExpiryDate, 1) != 0;
    m_bAlwaysInStock = store.GetInt(settings::kSectionDefaults, settings::kInStock, 1) != 0;
    m_bAutoGenOfferId = store.GetInt(settings::kSectionDefaults, settings::kAutoGenOfferId, 1) != 0;
    m_recentFeeds.ReadList(store, settings::kSectionRecent, settings::kRecentFmt);
    m_document.SetAccount(store.GetString(settings::kSectionUser, settings::kAccount));
}

void CYarvelinApp::SaveSettings(SettingsStore& store) const {
    m_recentFeeds.WriteList(store, settings::kSectionRecent, settings::kRecentFmt);
    WriteList(store, settings::kCategoryCount, settings::kCategoryFmt, m_categories);
    WriteList(store, settings::kSizeCount, settings::kSizeFmt, m_sizes);
    WriteList(store, settings::kColorCount, settings::kColorFmt, m_colors);
    store.WriteString(settings::kSectionUser, settings::kAccount, m_document.Account());
    for (int i = 0; i < kDefaultValueCount; ++i) {
        store.WriteString(settings::kSectionDefaults, Format(settings::kDefaultFmt, i + 1),
                          m_defaults[static_cast<std::size_t>(i)]);
    }
    store.WriteInt(settings::kSectionDefaults, settings::kExpiryDate, m_bNoExpiryDate ? 1 : 0);
    store.WriteInt(settings::kSectionDefaults, settings::kInStock, m_bAlwaysInStock ? 1 : 0);
    store.WriteInt(settings::kSectionDefaults, settings::kAutoGenOfferId, m_bAutoGenOfferId ? 1 : 0);
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
    m_document.NoteFeedFileWritten(path);
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
