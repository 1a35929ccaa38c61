#include "common/types_map_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "converter/error_handler.h"
#include "converter/tabshift_convertor.h"
#include "converter/type_files.h"

namespace {

constexpr const wchar_t* k_empty_name_text = L"Name cannot be empty. Try again.";
constexpr const wchar_t* k_duplicate_name_text = L"Duplicate field name. Try again.";

std::wstring cut_at_parenthesis(const std::wstring& type) {
    const std::size_t open = type.find(L'(');
    return open == std::wstring::npos ? type : type.substr(0, open);
}

bool same_type(const sql_native_type& a, const sql_native_type& b) {
    return a.type == b.type && a.default_value == b.default_value &&
           a.character_set == b.character_set && a.length == b.length && a.scale == b.scale &&
           a.precision == b.precision;
}

}  // namespace

types_map_dlg::types_map_dlg(const std::wstring& source_table, QWidget* owner)
    : QDialog(owner),
      m_source_table(source_table),
      m_schema(tabshift_convertor::instance().get_schema(source_table)) {
    tk_log(1, "types_map_dlg::types_map_dlg");
    setObjectName(QStringLiteral("135"));
    setWindowTitle(QStringLiteral("Edit Table"));
    auto* layout = new QHBoxLayout(this);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(ctrl_name(k_ctl_map_list));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({QString(), QStringLiteral("Field Name"), QStringLiteral("Field Type"),
                             QStringLiteral("Default value")});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->setMinimumWidth(340);
    layout->addWidget(m_list, 1);

    auto* side = new QVBoxLayout();
    QGroupBox* table_box = make_group(this, QStringLiteral(" Table info "));
    auto* table_grid = new QGridLayout(table_box);
    QLineEdit* table_name = make_edit(table_box, k_ctl_map_table);
    table_grid->addWidget(make_buddy_label(table_box, 0, QStringLiteral("&Name:"), table_name), 0,
                          0);
    table_grid->addWidget(table_name, 0, 1);
    side->addWidget(table_box);

    QGroupBox* field_box = make_group(this, QStringLiteral(" Field info "));
    auto* grid = new QGridLayout(field_box);
    QLineEdit* field_name = make_edit(field_box, k_ctl_map_field);
    m_types = make_combo(field_box, k_ctl_map_types);
    QLineEdit* default_edit = make_edit(field_box, k_ctl_map_default);
    QLineEdit* length = make_edit(field_box, k_ctl_map_length);
    QLineEdit* precision = make_edit(field_box, k_ctl_map_precision);
    QLineEdit* scale = make_edit(field_box, k_ctl_map_scale);
    grid->addWidget(make_buddy_label(field_box, 0, QStringLiteral("N&ame:"), field_name), 0, 0);
    grid->addWidget(field_name, 0, 1, 1, 3);
    grid->addWidget(make_buddy_label(field_box, 0, QStringLiteral("&Type:"), m_types), 1, 0);
    grid->addWidget(m_types, 1, 1, 1, 3);
    grid->addWidget(make_buddy_label(field_box, 0, QStringLiteral("&Default:"), default_edit), 2,
                    0);
    grid->addWidget(default_edit, 2, 1, 1, 3);
    // The length and the precision share a place: a type takes one or the other.
    grid->addWidget(
        make_buddy_label(field_box, k_ctl_map_length_label, QStringLiteral("&Length:"), length), 3,
        0);
    grid->addWidget(length, 3, 1);
    grid->addWidget(make_buddy_label(field_box, k_ctl_map_precision_label,
                                     QStringLiteral("&Prec.:"), precision),
                    3, 0);
    grid->addWidget(precision, 3, 1);
    grid->addWidget(
        make_buddy_label(field_box, k_ctl_map_scale_label, QStringLiteral("&Scale:"), scale), 3, 2);
    grid->addWidget(scale, 3, 3);
    for (int id :
         {k_ctl_map_precision_label, k_ctl_map_precision, k_ctl_map_scale_label, k_ctl_map_scale})
        find_ctrl(this, id)->hide();
    side->addWidget(field_box);
    side->addStretch(1);
    auto* buttons = new QHBoxLayout();
    QPushButton* ok = make_button(this, 1, QStringLiteral("OK"));
    QPushButton* cancel = make_button(this, 2, QStringLiteral("Cancel"));
    QPushButton* help = make_button(this, 9, QStringLiteral("Help"));
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    side->addLayout(buttons);
    layout->addLayout(side);
    resize(680, 360);

    connect(ok, &QPushButton::clicked, this, [this] { on_ok(); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        tk_log(1, "types_map_dlg::on_cancel");
        reject();
    });
    connect(help, &QPushButton::clicked, this, [] {
        if (wizard_shell* shell = wizard_shell::find_instance()) shell->display_help(k_help_topic);
    });
    connect(m_types, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_updating) show_ctrl();
    });
    connect(m_list, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int column) { on_item_changed(item, column); });
    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                on_current_changed(current, previous);
            });
    m_list->viewport()->installEventFilter(this);
    on_init();
}

bool types_map_dlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_list->viewport() || !m_initialized || m_updating)
        return QDialog::eventFilter(watched, event);
    // A click on another row is refused before the view moves its highlight there: once the
    // view has started, it selects the clicked row even when the current row is put back.
    const QEvent::Type type = event->type();
    const bool dragging =
        type == QEvent::MouseMove && (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton);
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || dragging) {
        QTreeWidgetItem* target =
            m_list->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        QTreeWidgetItem* current = m_list->currentItem();
        if (target && current && target != current && !save_item(row_of(current))) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void types_map_dlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_usable) QTimer::singleShot(0, this, [this] { reject(); });
    centre_on_owner(*this);
    raise();
}

void types_map_dlg::fail(const tk_exception& e) {
    if (!m_usable) return;
    m_usable = false;
    wizard_shell::error_ansi(e.message());
    if (isVisible()) QTimer::singleShot(0, this, [this] { reject(); });
}

void types_map_dlg::on_init() {
    tk_log(1, "types_map_dlg::on_init");
    find_ctrl<QLineEdit>(this, k_ctl_map_table)->setText(to_qt(m_source_table));
    m_updating = true;
    load_from_mutator();
    for (int row = 0; row < static_cast<int>(m_schema.size()); ++row) add_item(row);
    for (int row = 0; row < static_cast<int>(m_schema.size()); ++row) {
        const auto edited = m_edited.find(m_schema[static_cast<std::size_t>(row)].name);
        const bool ticked = edited == m_edited.end() || edited->second.status != 2;
        m_list->topLevelItem(row)->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    }
    m_updating = false;
    if (!m_schema.empty()) {
        m_updating = true;
        m_list->setCurrentItem(m_list->topLevelItem(0));
        m_updating = false;
        m_list->scrollToItem(m_list->topLevelItem(0));
        try {
            set_available_conversions(0);
            show_item(0);
            show_ctrl();
        } catch (const tk_exception& e) {
            fail(e);
        }
    }
    m_initialized = true;
}

void types_map_dlg::load_from_mutator() {
    tabshift_convertor& conv = tabshift_convertor::instance();
    const sql_table_mutator* table = conv.find_table_mutator(m_source_table);
    if (!table) {
        m_shown_table = m_source_table;
        return;
    }
    find_ctrl<QLineEdit>(this, k_ctl_map_table)->setText(to_qt(table->new_name));
    m_shown_table = table->new_name;
    for (const auto& [source, field] : table->field_mutators()) {
        edited_row row;
        row.new_name = field->new_name;
        row.status = field->status;
        row.type = field->native_type;
        row.type.type = cut_at_parenthesis(field->native_type.type);
        m_edited[source] = row;
    }
}

void types_map_dlg::add_item(int row) {
    tk_log(1, "types_map_dlg::add_item");
    const t_ftd& field = m_schema[static_cast<std::size_t>(row)];
    sql_native_type builtin;
    tabshift_convertor::instance().get_native_type(field, builtin);
    auto* item = new QTreeWidgetItem();
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setText(1, to_qt(field.name));
    tk_wlog(1, L"Column name: '%s'", field.name.c_str());
    item->setText(2, to_qt(native_type_text(builtin)));
    item->setText(3, to_qt(builtin.default_value));
    tk_wlog(1, L"Deafult value: '%s'", builtin.default_value.c_str());
    tk_log(1, "native_type.precision=%d, native_type.scale=%d", builtin.precision, builtin.scale);
    m_list->addTopLevelItem(item);
    m_builtin[field.name] = builtin;
}

void types_map_dlg::set_available_conversions(int row) {
    tk_log(1, "types_map_dlg::set_available_conversions(%d)", row);
    tk_log(1, "schema.size()=%d", static_cast<int>(m_schema.size()));
    const std::wstring& name = m_schema[static_cast<std::size_t>(row)].name;
    const auto edited = m_edited.find(name);
    const std::wstring type =
        edited != m_edited.end() ? edited->second.type.type : m_builtin[name].type;
    tk_wlog(1, L"selected_field_type.type=%s", type.c_str());
    const std::vector<std::wstring>& choices =
        tabshift_convertor::instance().get_mapped_types(type);
    m_updating = true;
    m_types->clear();
    for (const std::wstring& choice : choices) {
        tk_wlog(1, L"Adding->%s", choice.c_str());
        m_types->addItem(to_qt(choice));
    }
    m_updating = false;
}

void types_map_dlg::select_type(const QString& text) {
    m_updating = true;
    int found = -1;
    for (int i = 0; i < m_types->count() && found < 0; ++i)
        if (m_types->itemText(i).compare(text, Qt::CaseInsensitive) == 0) found = i;
    // A column's own type is always offered: selecting another would retype the column when
    // the user only looked at it.
    if (found < 0 && !text.isEmpty()) {
        m_types->addItem(text);
        found = m_types->count() - 1;
    }
    m_types->setCurrentIndex(found);
    m_updating = false;
}

void types_map_dlg::show_item(int row) {
    const std::wstring& name = m_schema[static_cast<std::size_t>(row)].name;
    const auto edited = m_edited.find(name);
    if (edited == m_edited.end()) {
        show_row(row);
        return;
    }
    const edited_row& values = edited->second;
    auto number = [](int value) { return value > 0 ? QString::number(value) : QString(); };
    find_ctrl<QLineEdit>(this, k_ctl_map_field)
        ->setText(to_qt(values.new_name.empty() ? name : values.new_name));
    select_type(to_qt(values.type.type));
    find_ctrl<QLineEdit>(this, k_ctl_map_default)->setText(to_qt(values.type.default_value));
    if (values.type.length != 0)
        find_ctrl<QLineEdit>(this, k_ctl_map_length)->setText(number(values.type.length));
    find_ctrl<QLineEdit>(this, k_ctl_map_precision)->setText(number(values.type.precision));
    find_ctrl<QLineEdit>(this, k_ctl_map_scale)->setText(number(values.type.scale));
}

void types_map_dlg::show_row(int row) {
    const std::wstring& name = m_schema[static_cast<std::size_t>(row)].name;
    const sql_native_type& builtin = m_builtin[name];
    find_ctrl<QLineEdit>(this, k_ctl_map_field)->setText(to_qt(name));
    select_type(to_qt(cut_at_parenthesis(builtin.type)));
    find_ctrl<QLineEdit>(this, k_ctl_map_default)->setText(to_qt(builtin.default_value));
    find_ctrl<QLineEdit>(this, k_ctl_map_length)
        ->setText(builtin.length < 65536 ? QString::number(builtin.length) : QString());
    find_ctrl<QLineEdit>(this, k_ctl_map_scale)->setText(QString::number(builtin.scale));
    find_ctrl<QLineEdit>(this, k_ctl_map_precision)->setText(QString::number(builtin.precision));
}

void types_map_dlg::show_ctrl() {
    try {
        const QString type = m_types->currentText();
        const std::vector<std::wstring>& params =
            tabshift_convertor::instance().get_type_params(from_qt(type));
        const bool length = type_takes(params, L"LENGTH");
        const bool decimal = type_takes(params, L"PRECISION") && type_takes(params, L"SCALE");
        auto set = [this](int id, bool shown) {
            tk_log(1, "types_map_dlg::show_ctrl(%d=%d)", id, shown ? 1 : 0);
            find_ctrl(this, id)->setVisible(shown);
        };
        set(k_ctl_map_length_label, length);
        set(k_ctl_map_length, length);
        for (int id : {k_ctl_map_precision_label, k_ctl_map_precision, k_ctl_map_scale_label,
                       k_ctl_map_scale})
            set(id, decimal);
    } catch (const tk_exception& e) {
        fail(e);
    }
}

int types_map_dlg::row_of(const QTreeWidgetItem* item) const {
    return item ? m_list->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)) : -1;
}

bool types_map_dlg::row_ticked(int row) const {
    return m_list->topLevelItem(row)->checkState(0) == Qt::Checked;
}

bool types_map_dlg::get_item(int row, edited_row& out) {
    tk_log(1, "types_map_dlg::get_item(%d)", row);
    const QString name = cut_text(find_ctrl<QLineEdit>(this, k_ctl_map_field)->text(), 1024);
    if (name.isEmpty()) {
        wizard_shell::error(std::wstring(k_empty_name_text));
        return false;
    }
    const std::wstring& source = m_schema[static_cast<std::size_t>(row)].name;
    // A column that keeps its own name is left to the run, which makes names unique.
    if (name != to_qt(source) && name_taken(row, name)) {
        wizard_shell::error(std::wstring(k_duplicate_name_text));
        return false;
    }
    const sql_native_type& builtin = m_builtin[source];
    out.new_name = from_qt(name);
    out.type.type = from_qt(m_types->currentText());
    out.type.default_value =
        from_qt(cut_text(find_ctrl<QLineEdit>(this, k_ctl_map_default)->text(), 1024));
    out.type.character_set = builtin.character_set;
    // An empty box keeps the column's own value: a type that takes a length never gets -1.
    auto read = [this](int id, int fallback) {
        const QString text = cut_text(find_ctrl<QLineEdit>(this, id)->text(), 1024).trimmed();
        bool ok = false;
        const int value = text.toInt(&ok);
        return text.isEmpty() || !ok ? fallback : value;
    };
    out.type.length = read(k_ctl_map_length, static_cast<int>(builtin.length));
    out.type.precision = read(k_ctl_map_precision, builtin.precision);
    out.type.scale = read(k_ctl_map_scale, builtin.scale);
    out.status = 1;
    return true;
}

bool types_map_dlg::name_taken(int row, const QString& name) const {
    // MySQL compares column names without regard to case; a dropped column takes no name.
    for (int other = 0; other < static_cast<int>(m_schema.size()); ++other) {
        if (other == row || !row_ticked(other)) continue;
        const std::wstring& source = m_schema[static_cast<std::size_t>(other)].name;
        const auto edited = m_edited.find(source);
        const std::wstring& taken = edited != m_edited.end() && !edited->second.new_name.empty()
                                        ? edited->second.new_name
                                        : source;
        if (to_qt(taken).compare(name, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

bool types_map_dlg::save_item(int row) {
    tk_log(1, "types_map_dlg::save_item(%d)", row);
    if (row < 0 || !m_initialized) return true;
    edited_row values;
    if (!get_item(row, values)) return false;
    const std::wstring& source = m_schema[static_cast<std::size_t>(row)].name;
    if (values.new_name != source || !same_type(values.type, m_builtin[source])) {
        values.status = row_ticked(row) ? 1 : 2;
        m_edited[source] = values;
    }
    return true;
}

bool types_map_dlg::store_row(int row) {
    edited_row values;
    if (!get_item(row, values)) return false;
    values.status = row_ticked(row) ? 1 : 2;
    m_edited[m_schema[static_cast<std::size_t>(row)].name] = values;
    return true;
}

void types_map_dlg::on_current_changed(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    tk_log(1, "types_map_dlg::on_item_changing");
    if (!m_initialized || m_updating) return;
    const int before = row_of(previous);
    if (before >= 0 && !save_item(before)) {
        // The row keeps the selection, highlight included, until its name is accepted.
        keep_row(previous);
        QTimer::singleShot(0, this, [this, before] {
            if (QTreeWidgetItem* item = m_list->topLevelItem(before))
                if (m_list->currentItem() == item) keep_row(item);
        });
        return;
    }
    tk_log(1, "types_map_dlg::on_item_changed");
    const int row = row_of(current);
    if (row < 0) return;
    tk_log(1, "Row #%d is selected", row);
    if (row >= static_cast<int>(m_schema.size())) {
        // No exception may cross the event loop; the internal error ends the program there.
        error_handler::instance().handle(tk_mail_assertion("map_list", 229), true);
        return;
    }
    const t_ftd& field = m_schema[static_cast<std::size_t>(row)];
    find_ctrl<QLineEdit>(this, k_ctl_map_field)->setText(to_qt(field.name));
    if (field.vartype == VT_BSTR && field.size >= 1 && field.size <= 9999)
        find_ctrl<QLineEdit>(this, k_ctl_map_length)->setText(QString::number(field.size));
    try {
        set_available_conversions(row);
        show_item(row);
    } catch (const tk_exception& e) {
        fail(e);
        return;
    }
    show_ctrl();
}

void types_map_dlg::keep_row(QTreeWidgetItem* item) {
    m_updating = true;
    m_list->setCurrentItem(item);
    m_list->clearSelection();
    item->setSelected(true);
    m_updating = false;
}

void types_map_dlg::on_item_changed(QTreeWidgetItem* item, int column) {
    if (!m_initialized || m_updating || column != 0) return;
    tk_log(1, "types_map_dlg::on_item_changed");
    const int row = row_of(item);
    if (row < 0) return;
    // Only this row's status changes; the controls show another row's values at times.
    const std::wstring& source = m_schema[static_cast<std::size_t>(row)].name;
    auto edited = m_edited.find(source);
    if (edited == m_edited.end()) {
        edited_row values;
        values.new_name = source;
        values.type = m_builtin[source];
        values.type.type = cut_at_parenthesis(values.type.type);
        edited = m_edited.emplace(source, values).first;
    }
    edited->second.status = row_ticked(row) ? 1 : 2;
}

void types_map_dlg::on_ok() {
    tk_log(1, "types_map_dlg::on_ok");
    if (save_to_mutator()) accept();
}

bool types_map_dlg::save_to_mutator() {
    tk_log(1, "types_map_dlg::save_to_mutator");
    if (!m_usable) return true;
    if (!save_item(row_of(m_list->currentItem()))) return false;
    const std::wstring table_name = from_qt(find_ctrl<QLineEdit>(this, k_ctl_map_table)->text());
    if (table_name.empty()) {
        wizard_shell::error(std::wstring(k_empty_name_text));
        return false;
    }
    if (table_name == m_shown_table && m_edited.empty()) return true;
    sql_table_mutator& table =
        tabshift_convertor::instance().get_table_mutator(m_source_table, table_name);
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const std::wstring source = from_qt(m_list->topLevelItem(row)->text(1));
        const auto edited = m_edited.find(source);
        if (edited == m_edited.end()) continue;
        sql_field_mutator& field =
            table.update_field(source, edited->second.new_name, edited->second.type);
        field.status = edited->second.status;
        tk_wlog(1, L"Updating field #%d: '%s'", row, edited->second.new_name.c_str());
        tk_log(1, "fm->new_ole_type=%d, fm->new_ole_flags=%d", static_cast<int>(field.new_ole_type),
               field.new_ole_flags);
    }
    return true;
}
