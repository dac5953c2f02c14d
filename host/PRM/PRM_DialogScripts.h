#pragma once

/// The host's enumeration of dialog scripts, by number and by name: a command parameter whose
/// default names one by number (meaning PRM_DEFAULT_DIALOG_SCRIPT) starts with that script's
/// text. The host enters the dialog scripts of the asset definitions it reads under their
/// definition names.

/// The text of dialog script `index`, or null when there is none.
const char *PRMlookupDialogScript(int index);
/// Adds a dialog script under a name; returns its index.
int PRMaddDialogScript(const char *name, const char *text);
/// The index of the first dialog script of that name; -1 when there is none.
int PRMfindDialogScript(const char *name);
