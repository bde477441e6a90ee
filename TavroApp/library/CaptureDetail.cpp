#include "library/CaptureDetail.h"

#include "store/CaptureStore.h"
#include "store/ReadSnapshot.h"

#include <exception>

namespace tavro {

CaptureDetail CaptureDetail::read(CaptureStore& store, const std::string& captureID,
                                  DetailParts parts) {
    CaptureDetail detail;
    detail.captureID = captureID;
    detail.parts = parts;
    try {
        ReadSnapshot snapshot(store.db());
        if (parts.has(DetailPart::images))
            detail.images = store.images(captureID);
        if (parts.has(DetailPart::comments))
            detail.comments = store.comments(captureID);
        if (parts.has(DetailPart::activity))
            detail.activity = store.activity(captureID);
    } catch (const std::exception& error) {
        return failed(captureID, parts, error.what());
    }
    return detail;
}

CaptureDetail CaptureDetail::failed(const std::string& captureID, DetailParts parts,
                                    std::string error) {
    CaptureDetail detail;
    detail.captureID = captureID;
    detail.parts = parts;
    detail.error = std::move(error);
    return detail;
}

} // namespace tavro
