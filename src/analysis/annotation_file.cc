// TEMPORARY STUB
#include "analysis/annotation_file.h"
namespace memtally {
std::string_view annotationKindName(AnnotationKind kind) { return kind == AnnotationKind::kStack ? "stack" : kind == AnnotationKind::kRecursion ? "recursion" : "calls"; }
AnnotationFile readAnnotations(LineReader& reader) {
  AnnotationFile file; std::string line;
  while (reader.readLine(line, 511)) {
    std::vector<std::string> words; std::string w;
    for (char c : line) { if (c=='\'') break; if (c==' '||c=='\t'||c=='\n'||c=='\r') { if(!w.empty()) words.push_back(w); w.clear(); } else w+=c; }
    if(!w.empty()) words.push_back(w);
    if (words.empty()) continue;
    Annotation a; a.line = reader.lineNumber(); a.name.text = words.size()>1?words[1]:"";
    if (words[0]=="stack") a.kind=AnnotationKind::kStack; else if (words[0]=="recursion") a.kind=AnnotationKind::kRecursion; else { a.kind=AnnotationKind::kCalls; for (size_t i=2;i<words.size();++i) a.callees.push_back({words[i],1}); }
    if (a.kind!=AnnotationKind::kCalls && words.size()>2) a.value = std::stoul(words[2]);
    file.annotations.push_back(a);
  }
  return file;
}
std::string formatAnnotationError(std::string_view file, const AnnotationError& e) { return std::string(file)+":"+std::to_string(e.line)+":"+std::to_string(e.column)+": error: "+e.text+"\n"; }
}
