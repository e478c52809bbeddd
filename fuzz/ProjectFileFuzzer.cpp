// Feeds arbitrary bytes to the project file reader and checks what must hold for any file:
// - it ends with a result code, without a crash, a hang or an allocation beyond the file's size;
// - a file it accepts can be written again, and what is written reads back to the same file.

#include "ProjectFileFormat.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    ProjectFileFormat::Contents contents;
    const ProjectFileFormat::Result result = ProjectFileFormat::parse(bytes, &contents);
    check(result == ProjectFileFormat::Ok || result == ProjectFileFormat::VersionError ||
          result == ProjectFileFormat::Failed);
    if (result != ProjectFileFormat::Ok)
        return 0;

    QByteArray written;
    check(ProjectFileFormat::build(contents, &written));
    ProjectFileFormat::Contents again;
    check(ProjectFileFormat::parse(written, &again) == ProjectFileFormat::Ok);
    check(again.entries.size() == contents.entries.size());
    QByteArray rewritten;
    check(ProjectFileFormat::build(again, &rewritten));
    check(rewritten == written);
    return 0;
}
