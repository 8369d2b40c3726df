#pragma once
// The reliability tests drive the shared headless application.
#include "support/HeadlessApp.h"

namespace reliability {
using Folders = testsupport::AppFolders;
using AppRun = testsupport::HeadlessApp;
} // namespace reliability
