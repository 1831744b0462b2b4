// The interface kit's controls in one include: folder tree, tooltip, delayed resize and size
// grip, arrow label, flat check box, flat button and drop-down calendar.
#pragma once

#include "ui_kit/ctrl_arrow.h"
#include "ui_kit/ctrl_calendar.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/ctrl_dibber.h"
#include "ui_kit/ctrl_resize.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/image_list.h"
#include "ui_kit/tool_tip.h"
