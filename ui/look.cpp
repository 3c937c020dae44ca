#include "ui/look.h"

#include <QAccessibleWidget>

// The icons live in a static library, whose resource initialiser the linker
// would drop unless something refers to it.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace vorrik {

void InstallFontSubstitutes() {
  // Liberation Sans (fonts-liberation2) keeps Arial's widths, which are close
  // to those of the old sans-serif UI font; the others are fallbacks.
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                             {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                              QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
}

QFont SansSerifFont(qreal points) {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QFont WindowDefaultFont() { return SansSerifFont(8); }

void SetUpTextWindow(QWidget& window, const char* name, const QString& caption, QSize client) {
  window.setObjectName(QString::fromLatin1(name));
  window.setWindowTitle(caption);
  window.setWindowIcon(ProgramIcon());
  window.setFont(WindowDefaultFont());
  window.setAttribute(Qt::WA_DeleteOnClose);
  window.resize(client);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place,
                  Qt::Alignment across) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  // Full hinting puts each glyph on whole pixels, as the old bitmap font did;
  // the font standing in for it then fits each paragraph in the lines its box
  // was sized for (at default hinting the help's second paragraph needs five).
  QFont font = parent->font();
  font.setHintingPreference(QFont::PreferFullHinting);
  label->setFont(font);
  label->setWordWrap(true);
  label->setAlignment(across | Qt::AlignTop);
  label->setFocusPolicy(Qt::NoFocus);
  label->setGeometry(place);
  return label;
}

namespace {

// The role a window is exposed with, kept on the window itself.
constexpr char kRoleProperty[] = "vorrikWindowRole";

QAccessibleInterface* MakeWindowAccessible(const QString&, QObject* object) {
  if (!object->isWidgetType()) return nullptr;
  const QVariant role = object->property(kRoleProperty);
  if (!role.isValid()) return nullptr;
  // A window's accessible name is its caption.
  return new QAccessibleWidget(static_cast<QWidget*>(object), static_cast<QAccessible::Role>(role.toInt()));
}

}  // namespace

void SetWindowRole(QWidget& window, QAccessible::Role role) {
  static const bool installed = [] {
    QAccessible::installFactory(MakeWindowAccessible);
    return true;
  }();
  Q_UNUSED(installed);
  window.setProperty(kRoleProperty, static_cast<int>(role));
}

QIcon ProgramIcon() {
  InitIconResources();
  QIcon icon;
  for (int side : {16, 32, 64, 128})
    icon.addFile(QStringLiteral(":/icons/vorrik-%1.png").arg(side), QSize(side, side));
  return icon;
}

}  // namespace vorrik
