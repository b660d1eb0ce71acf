// Publishing what passes: with [check] on-error = "leave-out" the products with errors stay out of the
// written feed, and the merchant finds them, with their findings, in OUTPUT.held.csv.
#pragma once

#include <cstddef>
#include <string>

namespace yarvelin {

class CFeedDocument;
struct FeedDiagnosis;

// "NAME.held.csv" beside output.
std::string HeldFilePath(const std::string& output);

struct HeldProducts {
    std::size_t products = 0;  // left out
    std::size_t errors = 0;    // findings of theirs, by severity, no longer in the feed
    std::size_t warnings = 0;
    bool written = true;  // the list could be written (or, with nothing held, an old one removed)
};

// Takes every product with an error finding of diagnosis (the whole, unlimited diagnosis of doc) out of doc
// and lists their findings in heldPath as CSV with validate --json's columns. With nothing held, an earlier
// list is removed, so that the file never names products that are back in the feed.
HeldProducts HoldBackProductsWithErrors(CFeedDocument& doc, const FeedDiagnosis& diagnosis,
                                        const std::string& output, const std::string& heldPath);

}  // namespace yarvelin
