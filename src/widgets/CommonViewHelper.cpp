#include "CommonViewHelper.h"

#include "ModelConnectionIF.h"
#include "ModelIF.h"

#include <QObject>

namespace {

// The id of a control that is bound to nothing: all bits set.
constexpr qint32 unboundId = -1;

void connectTree(QObject* object, ModelIF* model)
{
    if (auto* control = dynamic_cast<ModelConnectionIF*>(object)) {
        qint32 error = 0;
        const qint32 id = control->getId(&error);
        if (error == 0 && id != unboundId)
            control->connectModel(model);
    }
    for (QObject* child : object->children())
        connectTree(child, model);
}

} // namespace

CommonViewHelper::CommonViewHelper(ModelIF* aModel) : model(aModel) {}

CommonViewHelper::~CommonViewHelper() = default;

void CommonViewHelper::connectControls(QObject* root)
{
    if (!root || !model)
        return;
    connectTree(root, model);
}
