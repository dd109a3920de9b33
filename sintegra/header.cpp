#include "sintegra/header.h"

#include "session/pacer.h"
#include "sintegra/layout.h"

namespace fiscora {

void ShowFileType(Session& s) {
  const std::string& code = s.sintegra.file_type;
  if (code == "1") {
    s.frm.lbl_tipo_arq.SetText("    1 - Normal");
    s.frm.lbl_tipo_arq2.SetText("");
  } else if (code == "2") {
    s.frm.lbl_tipo_arq.SetText(" 2 - Retificação");
    s.frm.lbl_tipo_arq2.SetText("Total");
  } else if (code == "3") {
    s.frm.lbl_tipo_arq.SetText(" 3 - Retificação");
    s.frm.lbl_tipo_arq2.SetText("Aditiva");
  } else {
    s.frm.lbl_tipo_arq.SetText("5 - Desfazimento");
    s.frm.lbl_tipo_arq2.SetText("");
  }
}

void ReadFileHeader(Session& s, const std::string& path) {
  LineReader reader(PathFromUtf8(path));
  EncodingSniffer sniffer;
  if (reader.had_bom()) sniffer.SetUtf8();
  ClientTable& t = s.dtm.cds_ident;
  const int f_empresa = fident::empresa, f_endereco = fident::endereco, f_uf = fident::uf,
            f_cnpj = fident::cnpj, f_ie = fident::ie, f_periodo = fident::periodo;
  Pacer pacer(s.ui);
  std::string_view bytes;
  while (reader.Next(bytes)) {
    pacer.Tick();
    s.frm.progresso.Step();
    if (bytes.substr(0, 2) != "10") continue;
    RecordLine line(bytes, sniffer.LineIsUtf8(bytes));
    // Every text as the other labels have it (Windows-1252 read as such), so
    // that a stray byte never reaches a label or the envelope raw.
    auto raw = [&](const FieldSpec& f) { return line.Text(f); };
    // The period as it stands, not yet checked: a date that is not one is
    // refused by the load, with its line.
    auto date = [&](const FieldSpec& f) {
      return IsAscii(line.Raw(f)) ? line.Date(f.first) : line.Text(f);
    };
    const FieldSpec& c = rec10::kCnpj;
    std::string cnpj = raw(c.Part(0, 2)) + "." + raw(c.Part(2, 3)) + "." + raw(c.Part(5, 3)) + "/" +
                       raw(c.Part(8, 4)) + "-" + raw(c.Part(12, 2));
    std::string ie = line.Text(rec10::kIe), empresa = line.Text(rec10::kRazaoSocial),
                municipio = line.Text(rec10::kMunicipio), uf = line.Text(rec10::kUf);
    std::string first = date(rec10::kDataInicial), last = date(rec10::kDataFinal);
    t.Append();
    s.frm.lblCnpj.SetText(cnpj);
    t.SetText(f_cnpj, cnpj);
    s.frm.lblie.SetText(ie);
    t.SetText(f_ie, ie);
    t.SetText(f_empresa, empresa);
    s.sintegra.current_period =
        raw(rec10::kDataInicial.Part(4, 2)) + "/" + raw(rec10::kDataInicial.Part(0, 4));
    t.SetText(f_periodo, first + " a " + last);
    s.frm.lblrazao.SetText(empresa);
    s.frm.lblmunic.SetText(municipio);
    t.SetText(f_endereco, municipio);
    s.frm.lblUF.SetText(uf);
    t.SetText(f_uf, uf);
    s.frm.lbldataini.SetText(first);
    s.frm.lbldatafim.SetText(last);
    s.sintegra.file_type = raw(rec10::kFinalidade);
    ShowFileType(s);
    t.Post();
  }
}

}  // namespace fiscora
