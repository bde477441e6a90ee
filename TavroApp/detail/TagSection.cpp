#include "detail/TagSection.h"

#include "detail/PaneTexts.h"
#include "detail/RoundedTextField.h"
#include "detail/SectionParts.h"
#include "detail/TagLine.h"
#include "library/Library.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include <limits>

namespace tavro {

TagSection::TagSection(Library& library, const std::string& captureID, QWidget* parent)
    : QWidget(parent)
    , library_(library)
    , captureID_(captureID) {
    auto* layout = sectionStack(this);
    layout->addWidget(new SectionLabel(toQString(PaneTexts::tags), this));
    auto* box =
        new RoundedTextField(toQString(PaneTexts::tagsPlaceholder), Theme::Font::callout(), this);
    field_ = box->lineEdit();
    field_->setAccessibleName(toQString(PaneTexts::tags));
    // Qt's default limit would cut a long stored tag, and Return would store it cut.
    field_->setMaxLength(std::numeric_limits<int>::max());
    const auto& tags = library.tagsByCapture();
    if (const auto found = tags.find(captureID); found != tags.end())
        field_->setText(toQString(tagLineText(found->second)));
    layout->addWidget(box);
    connect(field_, &QLineEdit::returnPressed, this, &TagSection::commit);
}

void TagSection::commit() {
    // A failure leaves the line as typed, for the next Return to try again, and says why.
    reportWrite(library_.setTags(parseTagLine(toStdString(field_->text())), captureID_), this,
                report_);
}

} // namespace tavro
