// The folder tree's pictures, drawn once: closed and open folders (normal and hidden), the
// kinds of volume, and the computer.
#pragma once

#include <QIcon>

namespace uikit {

enum class TreeIcon { closVis, closHid, openHid, drvCD, openVis, drvRemov, drvFixed, myComp, drvRAM, drvNet, home };

[[nodiscard]] QIcon treeIcon(TreeIcon which);

}  // namespace uikit
