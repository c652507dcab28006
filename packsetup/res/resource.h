#pragma once

// String table of packsetup (the same ids in every language).
#define IDS_DEFINITION_LOAD_FAILED 157
