#pragma once

// The undo actions. Each returns non-zero when it carried out its command.

// Undoes the newest edit; 0 when there is nothing to undo.
int KEditUndo();
// Redoes the newest undone edit; 0 when there is nothing to redo.
int KEditRedo();
// Empties the undo list, then the redo list.
int KEditPurgeUndoLists();
