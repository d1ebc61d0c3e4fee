// Income tax on wages and salaries, withheld by the cumulative method of the individual income
// tax: each month the tax on the year's cumulative taxable income so far, less the tax already
// withheld in the earlier months of the year.
//
//   cumulative taxable = sum over the months so far of
//                        (wage - social insurance - housing fund - 5000 - special deductions)
//   tax to date        = cumulative taxable * rate - quick deduction   (annual table below)
//   this month's tax   = tax to date - tax withheld in the earlier months
//
// The calculation (PennyvaleTax) is kept apart from the page, so it can be checked on its own.
(function (global) {
  "use strict";

  // The annual table of comprehensive income: taxable income up to the limit (inclusive), rate,
  // quick deduction.
  var BRACKETS = [
    { limit: 36000, rate: 0.03, quick: 0 },
    { limit: 144000, rate: 0.10, quick: 2520 },
    { limit: 300000, rate: 0.20, quick: 16920 },
    { limit: 420000, rate: 0.25, quick: 31920 },
    { limit: 660000, rate: 0.30, quick: 52920 },
    { limit: 960000, rate: 0.35, quick: 85920 },
    { limit: Infinity, rate: 0.45, quick: 181920 }
  ];

  // The basic deduction of one month.
  var BASIC_DEDUCTION = 5000;

  // The special additional deductions a month may claim, with the field that holds each.
  var SPECIAL_FIELDS = ["children", "education", "loan", "rent", "elderly", "infant"];

  function round2(x) {
    return Math.round((x + (x >= 0 ? 1e-9 : -1e-9)) * 100) / 100;
  }

  // The bracket of a cumulative taxable income.
  function bracketOf(taxable) {
    for (var i = 0; i < BRACKETS.length; i++)
      if (taxable <= BRACKETS[i].limit) return BRACKETS[i];
    return BRACKETS[BRACKETS.length - 1];
  }

  // The tax on a cumulative taxable income (never below 0).
  function taxOnCumulative(taxable) {
    if (!(taxable > 0)) return { tax: 0, rate: 0.03, quick: 0 };
    var b = bracketOf(taxable);
    return { tax: round2(taxable * b.rate - b.quick), rate: b.rate, quick: b.quick };
  }

  function specialTotal(input) {
    var total = 0;
    for (var i = 0; i < SPECIAL_FIELDS.length; i++) total += Number(input[SPECIAL_FIELDS[i]] || 0);
    return total;
  }

  // The withholding of every month of a tax year, the same figures each month.
  // input: { wage, insurance, fund, children, education, loan, rent, elderly, infant }
  function withholding(input) {
    var wage = Number(input.wage || 0);
    var insurance = Number(input.insurance || 0);
    var fund = Number(input.fund || 0);
    var special = specialTotal(input);
    var months = [];
    var withheld = 0;
    for (var m = 1; m <= 12; m++) {
      var cumIncome = wage * m;
      var cumBasic = BASIC_DEDUCTION * m;
      var cumInsurance = (insurance + fund) * m;
      var cumSpecial = special * m;
      var cumTaxable = round2(Math.max(0, cumIncome - cumBasic - cumInsurance - cumSpecial));
      var t = taxOnCumulative(cumTaxable);
      var monthTax = round2(t.tax - withheld);
      months.push({
        month: m,
        cumIncome: round2(cumIncome),
        cumBasic: cumBasic,
        cumInsurance: round2(cumInsurance),
        cumSpecial: round2(cumSpecial),
        cumTaxable: cumTaxable,
        rate: t.rate,
        quick: t.quick,
        cumTax: t.tax,
        withheld: withheld,
        monthTax: monthTax,
        net: round2(wage - insurance - fund - monthTax)
      });
      withheld = t.tax;
    }
    return months;
  }

  // Checks the typed figures; returns the Chinese message for the first problem, or "".
  function validate(input, labels) {
    var fields = ["wage", "insurance", "fund"].concat(SPECIAL_FIELDS);
    for (var i = 0; i < fields.length; i++) {
      var text = String(input[fields[i]] == null ? "" : input[fields[i]]).trim();
      if (text === "") continue;
      if (!/^\d+(\.\d{1,2})?$/.test(text))
        return (labels[fields[i]] || fields[i]) + "必须是不小于0的金额（最多两位小数）。";
    }
    if (Number(input.loan || 0) > 0 && Number(input.rent || 0) > 0)
      return "住房贷款利息和住房租金不能同时扣除，请只填写其中一项。";
    return "";
  }

  // 12345.6 -> "12,345.60"
  function money(x) {
    var negative = x < 0;
    var parts = Math.abs(x).toFixed(2).split(".");
    parts[0] = parts[0].replace(/\B(?=(\d{3})+(?!\d))/g, ",");
    return (negative ? "-" : "") + parts[0] + "." + parts[1];
  }

  function percent(rate) {
    return Math.round(rate * 100) + "%";
  }

  global.PennyvaleTax = {
    BRACKETS: BRACKETS,
    BASIC_DEDUCTION: BASIC_DEDUCTION,
    SPECIAL_FIELDS: SPECIAL_FIELDS,
    bracketOf: bracketOf,
    taxOnCumulative: taxOnCumulative,
    withholding: withholding,
    validate: validate,
    money: money,
    percent: percent
  };

  // ---- the page ------------------------------------------------------------------------------

  function readInput(doc) {
    var input = {};
    var fields = ["wage", "insurance", "fund"].concat(SPECIAL_FIELDS);
    for (var i = 0; i < fields.length; i++) input[fields[i]] = doc.getElementById(fields[i]).value;
    return input;
  }

  function labelsOf(doc) {
    var labels = {};
    var nodes = doc.querySelectorAll("label[for]");
    for (var i = 0; i < nodes.length; i++)
      labels[nodes[i].htmlFor] = nodes[i].textContent.replace(/[：:]\s*$/, "");
    return labels;
  }

  function cell(row, text, cls) {
    var td = row.ownerDocument.createElement("td");
    td.textContent = text;
    if (cls) td.className = cls;
    row.appendChild(td);
  }

  function showResult(doc, months, chosen) {
    var m = months[chosen - 1];
    doc.getElementById("resultMonth").textContent = chosen + "月";
    doc.getElementById("monthTax").textContent = money(m.monthTax);
    doc.getElementById("cumTax").textContent = money(m.cumTax);
    doc.getElementById("netPay").textContent = money(m.net);
    doc.getElementById("yearTax").textContent = money(months[11].cumTax);

    var body = doc.getElementById("months");
    while (body.firstChild) body.removeChild(body.firstChild);
    for (var i = 0; i < months.length; i++) {
      var r = months[i];
      var row = doc.createElement("tr");
      row.id = "month" + r.month;
      if (r.month === chosen) row.className = "chosen";
      cell(row, r.month + "月");
      cell(row, money(r.cumIncome), "num");
      cell(row, money(r.cumBasic), "num");
      cell(row, money(r.cumInsurance), "num");
      cell(row, money(r.cumSpecial), "num");
      cell(row, money(r.cumTaxable), "num");
      cell(row, percent(r.rate), "num");
      cell(row, money(r.quick), "num");
      cell(row, money(r.cumTax), "num");
      cell(row, money(r.withheld), "num");
      cell(row, money(r.monthTax), "num tax");
      cell(row, money(r.net), "num");
      body.appendChild(row);
    }
    doc.getElementById("result").hidden = false;
  }

  function compute(doc) {
    var input = readInput(doc);
    var message = validate(input, labelsOf(doc));
    var error = doc.getElementById("error");
    error.textContent = message;
    error.hidden = message === "";
    if (message !== "") {
      doc.getElementById("result").hidden = true;
      return false;
    }
    var chosen = Number(doc.getElementById("month").value) || 1;
    showResult(doc, withholding(input), chosen);
    return true;
  }

  // The annual table beside the form, written from BRACKETS so the two never differ.
  function fillBrackets(doc) {
    var body = doc.getElementById("brackets");
    if (!body) return;
    var yuan = function (x) { return money(x).replace(/\.00$/, "") + "元"; };
    var lower = 0;
    for (var i = 0; i < BRACKETS.length; i++) {
      var b = BRACKETS[i];
      var range = b.limit === Infinity ? "超过" + yuan(lower)
                : lower === 0 ? "不超过" + yuan(b.limit)
                : "超过" + yuan(lower) + "至" + yuan(b.limit);
      var row = doc.createElement("tr");
      cell(row, String(i + 1));
      cell(row, range);
      cell(row, percent(b.rate), "num");
      cell(row, money(b.quick).replace(/\.00$/, ""), "num");
      body.appendChild(row);
      lower = b.limit;
    }
  }

  function start(doc) {
    var form = doc.getElementById("taxForm");
    if (!form) return;
    fillBrackets(doc);
    form.addEventListener("submit", function (event) {
      event.preventDefault();
      compute(doc);
    });
    form.addEventListener("reset", function () {
      doc.getElementById("error").hidden = true;
      doc.getElementById("result").hidden = true;
      setTimeout(function () { doc.getElementById("wage").focus(); }, 0);
    });
    doc.getElementById("wage").focus();
  }

  global.PennyvaleTax.compute = compute;
  if (global.document) {
    if (global.document.readyState === "loading")
      global.document.addEventListener("DOMContentLoaded", function () { start(global.document); });
    else start(global.document);
  }
})(this);
