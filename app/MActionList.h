#pragma once

class MActionRegistry;
class QWidget;

// Registers the editor's actions in their groups, each group logging its
// line first. Start-up calls them in this order; window is the main window,
// whose menu holds the items the actions are tied to (null: no menu items).
// The forms without a registry fill the global one.
void RegisterGeneralActions(QWidget* window);
void RegisterSelectToolAction(QWidget* window);
void RegisterViewActions(QWidget* window);
// The Main list, with the Display and Window actions.
void RegisterMainActions(QWidget* window);
// All four groups in start-up order.
void RegisterAllActions(QWidget* window);

void RegisterGeneralActions(MActionRegistry& registry, QWidget* window);
void RegisterSelectToolAction(MActionRegistry& registry, QWidget* window);
void RegisterViewActions(MActionRegistry& registry, QWidget* window);
void RegisterMainActions(MActionRegistry& registry, QWidget* window);
void RegisterAllActions(MActionRegistry& registry, QWidget* window);
