#include "engine/walk/SourceWalk.h"

#include <vector>

namespace velmora {

void walkSource(const BarBuilder& builder, const SourceLines& lines, std::string_view fileName, WalkJob& job,
                JobOutput& output, std::span<RecordedJob* const> beside)
{
    std::vector<WalkJob*> walks{&job};
    for (RecordedJob* recorded : beside) {
        walks.push_back(&recorded->walk());
    }
    builder.BuildFiles(lines, fileName, walks);
    output.complete();
    for (RecordedJob* recorded : beside) {
        recorded->complete();
    }
}

} // namespace velmora
