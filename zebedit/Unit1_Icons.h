// The 16 x 16 images of the tool buttons, drawn here so that the editor
// needs no image files.
#pragma once

#include <QIcon>

namespace zebedit {

struct TImageList {
    QIcon Open;    // a folder
    QIcon Export;  // a sheet with a grid
    QIcon Add;     // a plus sign
    QIcon Remove;  // a minus sign
    QIcon Exit;    // a cross
};

TImageList MakeImageList();

}  // namespace zebedit
