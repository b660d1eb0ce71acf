#include "checks/url_check_worker.h"

#include <memory>

#include "app/feed_document.h"
#include "checks/http_session.h"

namespace yarvelin {

unsigned CheckUrl(HttpSession& session, const std::string& url) {
    unsigned result = kUrlNoStatus;
    std::string target = url;
    if (!session.ParsesAsUrl(target)) {
        target = "http://" + url;
        if (!session.ParsesAsUrl(target)) {
            return result;
        }
    }
    const HttpSession::Response response = session.Get(target);
    if (response.failed) {
        return kUrlRequestFailed;
    }
    if (response.status) {
        result = *response.status;
    }
    return result;
}

void UrlCheckWorker(CFeedDocument& doc, HttpClient& client, const std::atomic<bool>& cancel,
                    CUrlCheckObserver& observer) {
    if (std::unique_ptr<HttpSession> session = client.OpenSession(kUrlCheckUserAgent)) {
        std::size_t k = 0;
        for (std::size_t i = 0; i < doc.m_records.size(); ++i) {
            ++k;
            if (cancel.load()) {
                break;
            }
            if (COtherRecord* record = doc.m_records[i].get()) {
                if (!record->urls_checked) {
                    const unsigned product = CheckUrl(*session, record->m_required.product_url);
                    observer.OnUrlChecked(i, false, product);
                    record->product_url_ok = IsUrlOk(product);
                    const unsigned image = CheckUrl(*session, record->m_required.image_url);
                    observer.OnUrlChecked(i, true, image);
                    record->image_url_ok = IsUrlOk(image);
                    record->urls_checked = true;
                }
                // The results are already in the record; storing it at its own place changes nothing more.
                if (cancel.load()) {
                    break;
                }
            }
            observer.OnProgress(k);
        }
    }
    observer.OnDone();
}

}  // namespace yarvelin
