#pragma once

class ModelIF;
class QObject;

// The shared base of the settings-like views (filter, MIDI settings, PC keyboard, preferences):
// they build their controls with parameter ids and then bind all of them to the model in one
// walk, instead of connecting each control by hand.
class CommonViewHelper
{
public:
    // model: not owned; it must outlive the view.
    explicit CommonViewHelper(ModelIF* model);
    virtual ~CommonViewHelper();

    CommonViewHelper(const CommonViewHelper&) = delete;
    CommonViewHelper& operator=(const CommonViewHelper&) = delete;

    // Connects to the model every object in the tree below root (root included) that is a bound
    // control, i.e. a ModelConnectionIF whose id is set; controls without an id are left alone.
    void connectControls(QObject* root);

    ModelIF* helperModel() const { return model; }

private:
    ModelIF* model;
};
