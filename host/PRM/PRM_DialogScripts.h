#pragma once

/// The host's enumeration of built-in dialog scripts: a command parameter whose default names
/// one by number (meaning PRM_DEFAULT_DIALOG_SCRIPT) starts with that script's text.

/// The text of dialog script `index`, or null when there is none.
const char *PRMlookupDialogScript(int index);
/// Adds a dialog script to the enumeration; returns its index.
int PRMaddDialogScript(const char *text);
/// The index of the first dialog script whose text is exactly `text`; -1 when there is none.
int PRMfindDialogScript(const char *text);
