#pragma once

#include "MBaseObject.h"

#include <memory>

// One parameter recorded by a parameter undo node: the live parameter and a
// stored copy of its value (and keys).
//
// Parameters belong to their object and are not counted, so the sub-item
// holds a counted reference to the owning object, which keeps the parameter's
// object alive, and finds the live parameter again by name each time it is
// used: an object may remake a parameter (copying values from another object
// of its class drops parameters that the other never made), and a kept
// pointer would then dangle.
class MKeyListUndoSubItem : public MBaseObject
{
  public:
    MKeyListUndoSubItem() = default;
    M_DECLARE_CLASS_NAMES(MKeyListUndoSubItem, MBaseObject)
    // A new sub-item for the same live parameter holding the same stored
    // value, with the same object name.
    MBaseObject* CreateNew() const override;

    // Records a parameter of an object, copying its present value. Releases
    // what was held first. False (and nothing held) when either is null or
    // the parameter is not the object's parameter of that name.
    bool SetParameter(MBaseObject* owner, MParameterObject* param);

    // Puts the stored value back into the live parameter (when there is a
    // stored copy), then sets the scene's time again so objects re-evaluate.
    // Returns true when a value was put back.
    bool Restore();
    // The same without setting the scene's time, for callers that restore
    // many sub-items and set the time once.
    bool RestoreValue();
    // Stores the live parameter's present value.
    bool Capture();

    MBaseObject* GetOwner() const { return m_Owner.Get(); }
    // The live parameter, or null when its object no longer has it.
    MParameterObject* GetLiveParameter() const;
    const MParameterObject* GetStoredCopy() const { return m_Stored.get(); }

  private:
    MRef<MBaseObject> m_Owner;
    MStr m_ParamName;
    int m_ParamType = 0;
    std::unique_ptr<MParameterObject> m_Stored;
};
