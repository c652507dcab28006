#pragma once

// True when the calling thread's token is a member of the built-in
// Administrators and the process token is the full token of a split
// (User Account Control) log-on. False on Windows XP, where tokens have no
// elevation type, and for an administrator whose token is not split.
bool IsElevatedAdministrator();
