#include "content/object_list.h"

#include "content/text_objects.h"
#include "engine/engine_handles.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

struct Scanner {
  const PdfEngine& ops;
  FPDF_TEXTPAGE textPage;
  PageObjectScan& scan;
  std::vector<FPDF_PAGEOBJECT> forms;

  void Add(FPDF_PAGEOBJECT object, int type) {
    ListedObject entry;
    entry.object = object;
    entry.forms = forms;
    if (type == kPageObjText) {
      entry.label = TextEntryLabel(ReadTextContent(textPage, object, ops));
    } else {
      entry.kind = ListedKind::Image;
      entry.label = ImageEntryLabel(object, ops);
    }
    scan.entries.push_back(std::move(entry));
  }

  // Text and image objects become entries; forms are entered one level deeper.
  bool Visit(FPDF_PAGEOBJECT object, int level) {
    int type = ops.FPDFPageObj_GetType(object);
    if (type == kPageObjText || type == kPageObjImage) {
      Add(object, type);
    } else if (type == kPageObjForm) {
      return ScanForm(object, level + 1);
    }
    return true;
  }

  bool ScanForm(FPDF_PAGEOBJECT form, int level) {
    if (level >= kFormNestingLimit) {
      scan.message = u"PDF 表单嵌套层级过深，无法完成内容扫描。";
      return false;
    }
    int count = ops.FPDFFormObj_CountObjects(form);
    if (count < 0) {
      scan.message = u"无法读取 PDF 表单中的内容对象。";
      return false;
    }
    forms.push_back(form);
    for (int i = 0; i < count; ++i) {
      FPDF_PAGEOBJECT child = ops.FPDFFormObj_GetObject(form, static_cast<unsigned long>(i));
      if (child == nullptr) {
        scan.message = u"无法读取 PDF 表单中的内容对象。";
        return false;
      }
      if (!Visit(child, level)) return false;
    }
    forms.pop_back();
    return true;
  }
};

bool IsWhiteSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0x00A0 ||
         c == 0x3000;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The first `count` characters (a surrogate pair is one character); `total` receives how many there are.
size_t PrefixUnits(const std::u16string& text, size_t count, size_t& total) {
  size_t units = text.size();
  total = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (total == count) units = i;
    ++total;
    if (IsHighSurrogate(text[i]) && i + 1 < text.size()) ++i;
  }
  return units;
}

int IndexOnPage(FPDF_PAGE page, FPDF_PAGEOBJECT object, const PdfEngine& ops) {
  int count = ops.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    if (ops.FPDFPage_GetObject(page, i) == object) return i;
  }
  return -1;
}

// Puts objects taken out of a form onto the page at `index`, mapped by the form's matrix.
// The page owns each one afterwards, also when an insertion fails.
bool PlaceOnPage(FPDF_PAGE page, const std::vector<FPDF_PAGEOBJECT>& objects, const FS_MATRIX& m, int index,
                 const PdfEngine& ops) {
  bool ok = true;
  for (size_t k = 0; k < objects.size(); ++k) {
    ops.FPDFPageObj_Transform(objects[k], m.a, m.b, m.c, m.d, m.e, m.f);
    if (ops.FPDFPage_InsertObjectAtIndex != nullptr && index >= 0) {
      ok = ops.FPDFPage_InsertObjectAtIndex(page, objects[k], size_t(index) + k) && ok;
    } else {
      ops.FPDFPage_InsertObject(page, objects[k]);
    }
  }
  return ok;
}

}  // namespace

PageObjectScan ScanPageObjects(FPDF_PAGE page, const PdfEngine& ops) {
  PageObjectScan scan;
  if (page == nullptr || !ops.FPDFFormObj_CountObjects || !ops.FPDFFormObj_GetObject || !ops.FPDFPageObj_GetType ||
      !ops.FPDFText_LoadPage || !ops.FPDFText_ClosePage || !ops.FPDFTextObj_GetText) {
    scan.message = u"当前 PDFium 运行库不支持编辑 PDF 文本和图片。";
    return scan;
  }
  ScopedTextPage textPage(ops.FPDFText_LoadPage(page));
  if (textPage == nullptr) {
    scan.message = u"无法读取当前页的文本内容。";
    return scan;
  }
  Scanner scanner{ops, textPage.get(), scan, {}};
  int count = ops.FPDFPage_CountObjects(page);
  bool ok = count >= 0;
  for (int i = 0; ok && i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    ok = object != nullptr && scanner.Visit(object, 0);
  }
  if (!ok && scan.message.empty()) scan.message = u"无法读取当前页的 PDF 对象。";
  scan.ok = ok;
  if (!ok) scan.entries.clear();
  return scan;
}

std::u16string TextEntryLabel(const std::optional<std::u16string>& content) {
  if (!content) return u"[文本] （无法读取文本内容）";
  std::u16string text = *content;
  for (char16_t& c : text) {
    if (c == u'\r' || c == u'\n') c = u' ';
  }
  size_t begin = 0, end = text.size();
  while (begin < end && IsWhiteSpace(text[begin])) ++begin;
  while (end > begin && IsWhiteSpace(text[end - 1])) --end;
  text = text.substr(begin, end - begin);
  if (text.empty()) return u"[文本] （空文本）";
  size_t total = 0;
  size_t cut = PrefixUnits(text, kLabelFullLength - 3, total);
  if (total > kLabelFullLength) text = text.substr(0, cut) + u"...";
  return u"[文本] " + text;
}

std::u16string ImageEntryLabel(FPDF_PAGEOBJECT image, const PdfEngine& ops) {
  unsigned width = 0, height = 0;
  if (!ops.FPDFImageObj_GetImagePixelSize || !ops.FPDFImageObj_GetImagePixelSize(image, &width, &height)) {
    return u"[图片]";
  }
  return u"[图片] " + Num(width) + u" × " + Num(height);
}

ListedActions ActionsFor(const ListedObject* entry, const PdfEngine& ops) {
  ListedActions actions;
  if (entry == nullptr) return actions;
  actions.editText = entry->kind == ListedKind::Text && ops.FPDFText_LoadPage && ops.FPDFText_ClosePage &&
                     ops.FPDFTextObj_GetText && ops.FPDFText_SetText;
  actions.replaceImage = entry->kind == ListedKind::Image && ops.FPDFImageObj_LoadJpegFileInline;
  actions.remove = entry->forms.empty() || ops.FPDFFormObj_RemoveObject;
  return actions;
}

bool LiftOutOfForms(FPDF_PAGE page, const std::vector<FPDF_PAGEOBJECT>& forms, const PdfEngine& ops, bool& pageTouched) {
  if (!ops.FPDFFormObj_CountObjects || !ops.FPDFFormObj_GetObject || !ops.FPDFFormObj_RemoveObject ||
      !ops.FPDFPageObj_GetMatrix || !ops.FPDFPageObj_Transform || !ops.FPDFPage_RemoveObject ||
      !ops.FPDFPageObj_Destroy) {
    return false;
  }
  for (FPDF_PAGEOBJECT form : forms) {
    int index = IndexOnPage(page, form, ops);
    FS_MATRIX m{};
    int count = ops.FPDFFormObj_CountObjects(form);
    if (index < 0 || count < 0 || !ops.FPDFPageObj_GetMatrix(form, &m)) return false;
    std::vector<FPDF_PAGEOBJECT> children;
    for (int i = 0; i < count; ++i) {
      FPDF_PAGEOBJECT child = ops.FPDFFormObj_GetObject(form, static_cast<unsigned long>(i));
      if (child == nullptr) return false;
      children.push_back(child);
    }
    // What has left the form must land on the page, even when the rest cannot follow.
    std::vector<FPDF_PAGEOBJECT> taken;
    for (FPDF_PAGEOBJECT child : children) {
      if (!ops.FPDFFormObj_RemoveObject(form, child)) break;
      taken.push_back(child);
    }
    bool allTaken = taken.size() == children.size();
    bool formRemoved = allTaken && ops.FPDFPage_RemoveObject(page, form);
    if (formRemoved) ops.FPDFPageObj_Destroy(form);  // empty now, and ours
    if (!taken.empty() || formRemoved) pageTouched = true;
    bool placed = PlaceOnPage(page, taken, m, index, ops);
    if (!allTaken || !formRemoved || !placed) return false;
  }
  return true;
}

TextEditOutcome EditListedText(FPDF_DOCUMENT document, FPDF_PAGE page, const ListedObject& entry, const PdfEngine& ops) {
  TextEditOutcome outcome = EditTextObject(document, page, entry.object, ops);
  if (outcome.changed) {
    KeepEditOfListedObject(page, entry, ops, u"编辑文本警告",
                           u"文本已修改，但所在的 PDF 表单无法展开到页面，保存后可能仍是原文本；请检查或撤销。");
  }
  return outcome;
}

void KeepEditOfListedObject(FPDF_PAGE page, const ListedObject& entry, const PdfEngine& ops, const char16_t* caption,
                            const char16_t* warning) {
  bool touched = false;
  if (!entry.forms.empty() && !LiftOutOfForms(page, entry.forms, ops, touched)) {
    ShowMessage(caption, warning, MessageIcon::Warning);
  }
}

bool DeleteListedObject(FPDF_PAGE page, const ListedObject& entry, const PdfEngine& ops, bool& pageTouched) {
  pageTouched = false;
  bool ok = page != nullptr && entry.object != nullptr && ops.FPDFPage_RemoveObject && ops.FPDFPageObj_Destroy &&
            (entry.forms.empty() || LiftOutOfForms(page, entry.forms, ops, pageTouched)) &&
            ops.FPDFPage_RemoveObject(page, entry.object);
  if (!ok) return false;
  ops.FPDFPageObj_Destroy(entry.object);  // taken back from the page: ours now
  pageTouched = true;
  return true;
}
