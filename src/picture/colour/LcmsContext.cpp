#include "picture/colour/LcmsContext.h"

#include <lcms2.h>

namespace zarovia::picture::colour {

namespace {

thread_local LcmsErrors threadErrors;

void onLcmsError(cmsContext, cmsUInt32Number, const char* text) {
    ++threadErrors.count;
    threadErrors.lastText = QString::fromUtf8(text != nullptr ? text : "");
}

cmsContext makeContext() {
    cmsContext context = cmsCreateContext(nullptr, nullptr);
    cmsSetLogErrorHandlerTHR(context, &onLcmsError);
    return context;
}

}  // namespace

cmsContext lcmsContext() {
    // Lives as long as the process: transforms kept in the cache belong to it.
    static cmsContext context = makeContext();
    return context;
}

void LcmsProfileCloser::operator()(void* profile) const {
    if (profile) cmsCloseProfile(profile);
}

LcmsErrors takeLcmsErrors() {
    LcmsErrors errors = threadErrors;
    threadErrors = {};
    return errors;
}

}  // namespace zarovia::picture::colour
