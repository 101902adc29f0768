// An incremental update as another program writes one: a new information dictionary and a
// note on the first page, appended to the file (mutool run corpus_update.js IN OUT).
var doc = new PDFDocument(scriptArgs[0]);
var page = doc.loadPage(0);
doc.getTrailer().Info = doc.addObject({ Title: "Revised", Producer: "mutool" });
var note = page.createAnnotation("Text");
note.setContents("Checked");
note.setRect([36, 36, 56, 56]);
note.update();
doc.save(scriptArgs[1], "incremental");
