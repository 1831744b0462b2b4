// The shared dialogs in one include: the message box (respond), the progress window, the results
// viewer with its history and paging, the file, folder and substring dialogs, and the run host
// that connects the pipeline to them.
#pragma once

#include "ui_kit/dialog_host.h"
#include "ui_kit/dialog_run_host.h"
#include "ui_kit/file_dialog.h"
#include "ui_kit/folder_dialog.h"
#include "ui_kit/message_box.h"
#include "ui_kit/progress_window.h"
#include "core/results_history.h"
#include "ui_kit/results_paging.h"
#include "ui_kit/results_viewer.h"
#include "ui_kit/substring_dialog.h"
