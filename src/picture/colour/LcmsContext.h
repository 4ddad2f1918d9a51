#pragma once

#include <QString>
#include <memory>

struct _cmsContext_struct;  // Little CMS's cmsContext, without its header

// The one Little CMS context of the program. Every profile is opened and every transform built
// in it, so that the library's error reports come to us instead of its default handler.
namespace zarovia::picture::colour {

// The context, made on first use (thread-safe).
_cmsContext_struct* lcmsContext();

// The errors Little CMS has reported on this thread since the last call, and the last text.
// A broken profile is never an error the user sees: the callers take "refused" as "no profile"
// and the text is kept for tests and for whoever debugs a file.
struct LcmsErrors {
    int count = 0;
    QString lastText;
};
LcmsErrors takeLcmsErrors();

// An open profile (a cmsHPROFILE), closed when it goes.
struct LcmsProfileCloser {
    void operator()(void* profile) const;
};
using LcmsProfile = std::unique_ptr<void, LcmsProfileCloser>;

}  // namespace zarovia::picture::colour
