// The Compound File reader's calls into libgsf, as the helper links them: libgsf (and with it gio, libxml2
// and the libraries they need) is loaded on the first call, so that a helper that reads any other format
// never loads it. The other programs link libgsf itself. Compiled with hidden visibility: these stand in
// for libgsf's functions inside the helper only, never for libgsf's own calls once it is loaded.
#include <dlfcn.h>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <string>

namespace {

struct Gsf
{
    std::string problem; // why libgsf could not be loaded; empty when it was
    decltype(&::gsf_input_stdio_new) inputStdioNew = nullptr;
    decltype(&::gsf_input_memory_new) inputMemoryNew = nullptr;
    decltype(&::gsf_input_size) inputSize = nullptr;
    decltype(&::gsf_input_seek) inputSeek = nullptr;
    decltype(&::gsf_input_read) inputRead = nullptr;
    decltype(&::gsf_infile_msole_new) infileMsoleNew = nullptr;
    decltype(&::gsf_infile_num_children) infileNumChildren = nullptr;
    decltype(&::gsf_infile_name_by_index) infileNameByIndex = nullptr;
    decltype(&::gsf_infile_child_by_index) infileChildByIndex = nullptr;
};

template <typename Function>
bool resolve(void *library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

const Gsf &gsf()
{
    static const Gsf loaded = [] {
        Gsf gsf;
        void *library = dlopen(KERNWICK_GSF_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char *error = dlerror();
            gsf.problem = error ? error : KERNWICK_GSF_LIBRARY " could not be loaded";
            return gsf;
        }
        // Kept loaded for the rest of the process.
        const bool complete = resolve(library, "gsf_input_stdio_new", gsf.inputStdioNew) &&
                              resolve(library, "gsf_input_memory_new", gsf.inputMemoryNew) &&
                              resolve(library, "gsf_input_size", gsf.inputSize) &&
                              resolve(library, "gsf_input_seek", gsf.inputSeek) &&
                              resolve(library, "gsf_input_read", gsf.inputRead) &&
                              resolve(library, "gsf_infile_msole_new", gsf.infileMsoleNew) &&
                              resolve(library, "gsf_infile_num_children", gsf.infileNumChildren) &&
                              resolve(library, "gsf_infile_name_by_index", gsf.infileNameByIndex) &&
                              resolve(library, "gsf_infile_child_by_index", gsf.infileChildByIndex);
        if (!complete)
            gsf = Gsf{KERNWICK_GSF_LIBRARY " lacks a function the reader needs"};
        return gsf;
    }();
    return loaded;
}

// Without libgsf every document is one that cannot be opened, with the reason.
void notLoaded(GError **error)
{
    g_set_error(error, g_quark_from_static_string("kernwick-fontmeta"), 1, "%s", gsf().problem.c_str());
}

} // namespace

extern "C" {

GsfInput *gsf_input_stdio_new(char const *filename, GError **err)
{
    if (!gsf().inputStdioNew) {
        notLoaded(err);
        return nullptr;
    }
    return gsf().inputStdioNew(filename, err);
}

GsfInput *gsf_input_memory_new(guint8 const *buf, gsf_off_t length, gboolean needs_free)
{
    return gsf().inputMemoryNew ? gsf().inputMemoryNew(buf, length, needs_free) : nullptr;
}

// The functions below take objects that only a loaded libgsf makes.
gsf_off_t gsf_input_size(GsfInput *input)
{
    return gsf().inputSize(input);
}

gboolean gsf_input_seek(GsfInput *input, gsf_off_t offset, GSeekType whence)
{
    return gsf().inputSeek(input, offset, whence);
}

guint8 const *gsf_input_read(GsfInput *input, size_t num_bytes, guint8 *optional_buffer)
{
    return gsf().inputRead(input, num_bytes, optional_buffer);
}

GsfInfile *gsf_infile_msole_new(GsfInput *source, GError **err)
{
    if (!gsf().infileMsoleNew) {
        notLoaded(err);
        return nullptr;
    }
    return gsf().infileMsoleNew(source, err);
}

int gsf_infile_num_children(GsfInfile *infile)
{
    return gsf().infileNumChildren(infile);
}

char const *gsf_infile_name_by_index(GsfInfile *infile, int i)
{
    return gsf().infileNameByIndex(infile, i);
}

GsfInput *gsf_infile_child_by_index(GsfInfile *infile, int i)
{
    return gsf().infileChildByIndex(infile, i);
}

} // extern "C"
